#pragma once
// The main window: the case's interval table, plant, loss and base-power
// fields, the file fields, "GRAVAR" and the button that opens the
// algorithm-parameters dialog.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "case/CaseData.h"
#include "profile/LoadProfileWindow.h"
#include "toolkit/Toolkit.h"

class TProgress;
class TCheckWindow;
class TCompareWindow;
struct TCaseField;

class TForm1 : public TForm {
public:
  explicit TForm1(TObject* owner);
  ~TForm1() override;

  // Controls, in declaration order.
  TLabel* Label1 = nullptr;
  TGroupBox* GroupBox1 = nullptr;
  TLabeledEdit* LabeledEdit1 = nullptr;
  TLabeledEdit* LabeledEdit2 = nullptr;
  TUpDown* UpDown1 = nullptr;
  TLabeledEdit* LabeledEdit3 = nullptr;
  TLabeledEdit* LabeledEdit4 = nullptr;
  TLabeledEdit* LabeledEdit5 = nullptr;
  TGroupBox* GroupBox2 = nullptr;
  TLabel* Label2 = nullptr;
  TLabeledEdit* LabeledEdit6 = nullptr;
  TLabeledEdit* LabeledEdit7 = nullptr;
  TLabeledEdit* LabeledEdit8 = nullptr;
  TLabeledEdit* LabeledEdit9 = nullptr;
  TLabeledEdit* LabeledEdit10 = nullptr;
  TLabeledEdit* LabeledEdit11 = nullptr;
  TLabeledEdit* LabeledEdit12 = nullptr;
  TLabeledEdit* LabeledEdit13 = nullptr;
  TLabeledEdit* LabeledEdit14 = nullptr;
  TLabeledEdit* LabeledEdit15 = nullptr;
  TLabel* Label3 = nullptr;
  TGroupBox* GroupBox3 = nullptr;
  TLabeledEdit* LabeledEdit16 = nullptr;
  TLabeledEdit* LabeledEdit17 = nullptr;
  TLabeledEdit* LabeledEdit18 = nullptr;
  TLabeledEdit* LabeledEdit19 = nullptr;
  TLabeledEdit* LabeledEdit20 = nullptr;
  TGroupBox* GroupBox4 = nullptr;
  TLabeledEdit* LabeledEdit21 = nullptr;
  TLabeledEdit* LabeledEdit22 = nullptr;
  TButton* Button1 = nullptr;
  TLabel* Label4 = nullptr;
  TLabel* Label6 = nullptr;
  TLabel* Label7 = nullptr;
  TMemo* Memo1 = nullptr;
  TButton* Button2 = nullptr;
  TButton* Button3 = nullptr;

  // The case being prepared; the dialog reads and writes its parameters.
  TCaseData CaseData;

  // Handlers.
  void FormCreate(TObject* Sender);
  void set_max_int(TObject* Sender);
  void set_vectors(TObject* Sender);
  void LabeledEdit2Change(TObject* Sender);
  void LabeledEdit3Change(TObject* Sender);
  void LabeledEdit4Change(TObject* Sender);
  void Button3Click(TObject* Sender);
  void Memo1DblClick(TObject* Sender);
  void Button1Click(TObject* Sender);
  void Button2Click(TObject* Sender);

  void set_base(TObject* Sender);
  void set_c0(TObject* Sender);
  void set_c(TObject* Sender);
  void set_q(TObject* Sender);
  void set_Ptmin(TObject* Sender);
  void set_Ptmax(TObject* Sender);
  void set_a0(TObject* Sender);
  void set_a1(TObject* Sender);
  void set_Vtot(TObject* Sender);
  void set_Phmin(TObject* Sender);
  void set_Phmax(TObject* Sender);
  void set_Zeta0(TObject* Sender);
  void set_Zetat(TObject* Sender);
  void set_Zetah(TObject* Sender);
  void set_Gammat(TObject* Sender);
  void set_Gammah(TObject* Sender);

  // Opens a case file (named on the command line or dropped onto the
  // window): reads it on a worker thread, with progress when that lasts,
  // then shows it in every field, the table and the memo, with the record
  // exactly as read; "GRAVAR" then saves into the file itself while the name
  // field shows its name, else beside it. A file that cannot be read shows
  // the reader's message naming the file ("ERRO!") and changes nothing, and
  // so does a cancelled open. Returns true when the case is shown.
  bool OpenCaseFile(const std::string& path);
  void FormDropFiles(TObject* Sender, const std::vector<std::string>& Paths);
  // The folder "GRAVAR" saves into: the opened case's folder (absolute);
  // empty, for the current folder, until a case is opened.
  const std::string& CaseFolder() const { return case_folder_; }

  // How often the count field has been entered (set_max_int has run).
  int CountFieldEntries() const { return count_field_entries_; }

  // The interval table through the clipboard and as a chart, from the
  // memo's context menu and keys (Ctrl+V; Ctrl+C with nothing selected).
  void PasteIntervalTable(TObject* Sender);
  void CopyIntervalTable(TObject* Sender);
  void ShowLoadProfile(TObject* Sender);
  // Whatever changes the interval table calls this afterwards: an open
  // load-profile window draws the table again. Never throws.
  void TableChanged() noexcept;
  // Calls TableChanged when it goes out of scope, also on an exception.
  struct TableChangeNotice {
    TForm1* form;
    ~TableChangeNotice() { form->TableChanged(); }
  };
  // The load-profile window, once it has been opened (nullptr before).
  TLoadProfileWindow* LoadProfileWindow() const { return profile_.get(); }

  static const char* const kMemoHeader;

  // The window's context menu (a right-click on its background or a group
  // box) holds the memo's entries and these:
  // "Abrir caso…" (Ctrl+O): a file dialog, then OpenCaseFile.
  void OpenCaseDialog(TObject* Sender);
  // "Verificar caso" (F7): the check window, listing what the check finds
  // in the record as it stands (a value typed into the focused field is
  // stored first, as leaving the field would).
  void VerifyCase(TObject* Sender);
  // "Comparar com caso salvo…": a file dialog, then the compare window with
  // the differences between the record and that file; an open load profile
  // shows the file's profile beside the record's.
  void CompareWithSavedCase(TObject* Sender);
  TCheckWindow* CheckWindow() const { return check_.get(); }
  TCompareWindow* CompareWindow() const { return compare_.get(); }

  // The title field's text, as "GRAVAR" reads it.
  std::string CaseTitle() const;
  // Brings the window forward with the focus in the edit that holds the
  // record's `field` (a name of a check's finding or a comparison's
  // difference), its text selected. With an interval of the table, the
  // interval number becomes it and the duration and load fields show its
  // stored values, so that "OK" stores them back. A parameter opens the
  // algorithm dialog with the focus in its edit.
  void ShowField(std::string_view field, std::optional<int32_t> interval);
  // The record changed: the check and compare windows follow it. Called by
  // every handler that stores into the record.
  void RecordChanged();

private:
  // Accepts "." as well as "," as the decimal mark by rewriting the field,
  // then converts and stores into target; a bad text gives
  // "Caracter inválido!" and the field becomes "0".
  void NormalizeDecimalComma(TLabeledEdit* field, double& target);
  // The rewrite alone: each "." of a working copy taken once becomes ",",
  // written back at every position, caret at the end.
  void RewriteDecimalPoints(TLabeledEdit* field);
  void ShowError(const std::string& text);

  // Puts an opened case into the window, with no change handler running.
  void ShowCase(TCaseData&& data, const std::string& title, const std::string& base);
  // Adds the table's rows to the memo, as lines made when they are shown.
  void ShowTableInMemo();

  int count_field_entries_ = 0;
  std::string case_folder_;
  std::string case_name_;        // the opened file's name in case_folder_, bytes
  std::string case_name_shown_;  // ... as the name field showed it
  bool opening_ = false;
  int rewrite_depth_ = 0;

  void BindTableHooks();
  void BindWindowMenu();
  // The scalar handler's field, stored from its edit (the edit table).
  void StoreScalar(void (TForm1::*handler)(TObject*));
  // Runs the leave handler of the focused edit, if it stores on leaving.
  void StorePendingField();
  // The algorithm dialog, with the focus in the parameter's edit if given.
  void ShowParameters(const TCaseField* focus);
  std::unique_ptr<TLoadProfileWindow> profile_;
  std::unique_ptr<TCheckWindow> check_;
  std::unique_ptr<TCompareWindow> compare_;
  bool table_busy_ = false;  // a paste, copy or save is under way (its progress window lets events through)
};

extern TForm1* Form1;
