#pragma once
// The Qt widgets behind the controls. Internal to the toolkit; tests may use
// them to reach a path that QTest cannot drive (context menu, drop, input
// method).

#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QWidget>
#include <memory>

#include "toolkit/MemoStore.h"
#include "toolkit/Toolkit.h"

class QMenu;
class QEventLoop;

namespace tk {

// Every widget that stands for a control points back to it; the control
// clears the pointer when it goes, so a widget outliving it stays harmless.
struct Backed {
  virtual ~Backed() = default;
  TControl* back = nullptr;
};

// Qt gives the focus on a mouse press before it delivers the press. When the
// focus move opens a modal box (a leave handler's "Caracter inválido!"), the
// box blocks the window in between, and the control never gets the release
// of that very press: a push button stays drawn down with its click lost (an
// edit or the memo keeps a press that never ends). Each focusable control
// keeps one of these: it notes at the focus-in that the window was blocked
// and, once the press has been handled, completes it with its release (at
// once when the button is already up), so the click runs once, after the
// leave handler.
class ReleaseKeeper {
public:
  // Runs the form's enter/leave bookkeeping for this focus-in of `widget`.
  void FocusIn(QWidget* widget, QFocusEvent* event);
  // Called once a press has been handled; `receiver` is the widget that
  // takes the mouse's events (a scroll area's viewport).
  void PressHandled(QWidget* receiver, const QMouseEvent* event);

private:
  Qt::MouseButtons lost_ = Qt::NoButton;
};

// The stand-ins for a face that is not installed, best first.
QStringList SubstituteFamilies(const QString& face);
QFont MakeFont(const TFontDesc& desc);
QString Q(std::string_view utf8);
std::string U(const QString& text);

class Label : public QLabel, public Backed {
public:
  explicit Label(QWidget* parent);
  TLabeledEdit* edit = nullptr;  // set when this is an edit's caption

protected:
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
};

class LineEdit : public QLineEdit, public Backed {
public:
  explicit LineEdit(QWidget* parent);
  TLabeledEdit* Owner() const { return static_cast<TLabeledEdit*>(back); }

  int limit = 0;               // 0: none
  TUpDown* updown = nullptr;   // driven by the Up and Down keys

  // Characters that may still be inserted, replacing the selection.
  int Room() const;
  // Inserts as much of text as fits, as one user action; nothing at all
  // (no change event) when nothing fits and nothing is selected.
  void InsertFitting(const QString& text);
  void PasteFitting(QClipboard::Mode mode);
  // The standard context menu with its Paste bound to PasteFitting.
  QMenu* CreateContextMenu();
  static QAction* PasteAction(QMenu* menu);
  void setVisible(bool visible) override;

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

private:
  ReleaseKeeper keeper_;
};

class Button : public QPushButton, public Backed {
public:
  explicit Button(QWidget* parent);

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  ReleaseKeeper keeper_;
};

// The memo's widget: a read-only list of lines over a TMemoStore that lays
// out and draws only the lines in view, each wrapped at the width as a
// plain-text edit wraps it, with the same margins, colours, caret and
// selection. The scroll bar counts lines. The caret and the selection are
// positions in the lines (line, character); the keys move them as in a
// read-only text edit (arrows, Home, End, Page Up and Down, with Ctrl and
// Shift), Ctrl+A selects everything and Ctrl+C copies the selection, lines
// joined by "\n".
class Memo : public QAbstractScrollArea, public Backed {
public:
  explicit Memo(QWidget* parent);
  ~Memo() override;

  TMemoStore& Store() { return store_; }
  const TMemoStore& Store() const { return store_; }
  // After lines were added or cleared: scroll range, caret, repaint, and
  // the newest line in view while the memo is shown.
  void LinesAdded();
  void LinesCleared();

  bool isReadOnly() const { return true; }
  bool hasSelection() const;
  QString selectedText() const;
  QString toPlainText() const;  // every line, "\n" between them
  void selectAll();
  void copy() const;

  // The position of the caret and of the selection's other end.
  struct Position {
    std::size_t line = 0;
    int column = 0;  // in UTF-16 units of the line's text
    friend bool operator==(const Position&, const Position&) = default;
    friend auto operator<=>(const Position&, const Position&) = default;
  };
  Position Caret() const { return caret_; }
  Position Anchor() const { return anchor_; }
  // The first line in view (the scroll bar's value).
  std::size_t TopLine() const;

  // Copy and Select All, as a read-only text edit offers them.
  QMenu* createStandardContextMenu();
  // The standard context menu (at pos, in viewport coordinates) with the
  // control's own entries after a separator.
  QMenu* CreateContextMenu(QPoint pos);

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void timerEvent(QTimerEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  struct Layout;
  std::unique_ptr<Layout> LayOut(std::size_t line) const;
  QString LineText(std::size_t line) const;
  Position HitTest(QPoint at) const;
  void UpdateScrollRange();
  void MoveCaret(Position to, bool keep_anchor);
  void EnsureCaretVisible();
  void RestartBlink();

  TMemoStore store_;
  Position caret_, anchor_;
  bool selecting_ = false;  // the left button is held since a press inside
  bool blink_on_ = false;
  QBasicTimer blink_;
  int lines_in_view_ = 1;  // lines that fit, counted from the last one
  ReleaseKeeper keeper_;
};

class GroupBox : public QGroupBox, public Backed {
public:
  explicit GroupBox(QWidget* parent) : QGroupBox(parent) {}
};

class UpDown : public QWidget, public Backed {
public:
  explicit UpDown(QWidget* parent);
  QToolButton* up;
  QToolButton* down;

protected:
  void resizeEvent(QResizeEvent* event) override;
};

// The client area's frame: never scrolls by keys, never takes the focus.
class ScrollArea : public QScrollArea {
public:
  explicit ScrollArea(QWidget* parent);

protected:
  void keyPressEvent(QKeyEvent* event) override;
};

class Window : public QWidget {
public:
  explicit Window(TForm* form);
  TForm* form;
  QEventLoop* loop = nullptr;
  unsigned blocks = 0;  // how often a modal window has blocked this one

protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

// Where a frame of size outer, asked for at `at`, stays inside the available
// area of the screen it is on (window's screen when `at` is on none); a frame
// larger than that area goes to the area's top left corner.
QPoint KeptOnScreen(QPoint at, QSize outer, const QWidget* window);

// The form whose window holds widget, or nullptr.
TForm* FormOf(const QWidget* widget);

// The local files a drag carries (paths as the file system spells them),
// empty when it carries none.
std::vector<std::string> LocalFiles(const QMimeData* data);
// Whether the form of widget takes dropped files now.
bool TakesDroppedFiles(const QWidget* widget);

}  // namespace tk
