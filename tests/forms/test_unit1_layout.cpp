// The main window as the user sees it: every control where the layout puts
// it, with its text, font, limit and place in the tab sequence; every caption
// fits and nothing overlaps.

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include "toolkit/Widgets.h"
#include <QPushButton>
#include <QRect>
#include <cstring>

#include "forms/FormFixture.h"

namespace {

struct Expected {
  const char* name;
  const char* parent;  // nullptr: the window's client area
  int left, top, width, height;
  const char* text;  // caption or initial text
  int font_px;
  bool bold;
};

// Controls other than the labelled edits and their labels.
const Expected kControls[] = {
    {"Label1", nullptr, 192, 8, 163, 33, "ZORMEK GUI", 28, true},
    {"Label6", nullptr, 192, 40, 159, 13, nullptr, 11, false},
    {"Label7", nullptr, 240, 56, 70, 13, "Oububro/2008", 11, false},
    {"GroupBox1", nullptr, 112, 80, 393, 193, "Dados dos Intervalos", 13, true},
    {"GroupBox2", nullptr, 32, 288, 489, 161, "Dados das Usinas", 13, true},
    {"GroupBox3", nullptr, 32, 464, 489, 81, "Fórmula Geral das Perdas", 13, true},
    {"GroupBox4", nullptr, 32, 560, 489, 129, "Dados do Arquivo", 13, true},
    {"Button2", nullptr, 168, 696, 217, 25, "Configurar Parâmetros do Algoritmo", 11, true},
    {"UpDown1", "GroupBox1", 89, 88, 17, 21, nullptr, 0, false},
    {"Memo1", "GroupBox1", 56, 120, 257, 65, nullptr, 10, false},
    {"Button3", "GroupBox1", 320, 86, 33, 25, "OK", 11, false},
    {"Label2", "GroupBox2", 24, 24, 120, 13, "Térmica equivalente:", 12, true},
    {"Label3", "GroupBox2", 24, 88, 132, 13, "Hidráulica equivalente:", 12, true},
    {"Label4", "GroupBox4", 72, 92, 21, 13, ".dad", 12, false},
    {"Button1", "GroupBox4", 200, 80, 89, 33, "GRAVAR", 13, true},
};

struct ExpectedEdit {
  const char* name;
  const char* parent;
  int left, top, width;
  const char* label;
  const char* text;
  int max_length;  // 0: none
};

const ExpectedEdit kEdits[] = {
    {"LabeledEdit1", "GroupBox1", 40, 40, 105, "Numero de Intervalos:", "1", 10},
    {"LabeledEdit5", "GroupBox1", 184, 40, 97, "Potência base (MW):", "", 15},
    {"LabeledEdit2", "GroupBox1", 16, 88, 73, "Número do intervalo:", "1", 10},
    {"LabeledEdit3", "GroupBox1", 128, 88, 81, "Duração (horas):", "", 13},
    {"LabeledEdit4", "GroupBox1", 224, 88, 81, "Carga (MW):", "", 15},
    {"LabeledEdit6", "GroupBox2", 8, 56, 89, "c0:", "", 0},
    {"LabeledEdit7", "GroupBox2", 104, 56, 89, "c:", "", 0},
    {"LabeledEdit8", "GroupBox2", 200, 56, 89, "q:", "", 0},
    {"LabeledEdit9", "GroupBox2", 296, 56, 89, "Pt (min):", "", 0},
    {"LabeledEdit10", "GroupBox2", 392, 56, 89, "Pt (max):", "", 0},
    {"LabeledEdit12", "GroupBox2", 8, 120, 89, "a0:", "", 0},
    {"LabeledEdit13", "GroupBox2", 104, 120, 89, "a1:", "", 0},
    {"LabeledEdit14", "GroupBox2", 200, 120, 89, "Vtot:", "", 0},
    {"LabeledEdit15", "GroupBox2", 296, 120, 89, "Ph (min):", "", 0},
    {"LabeledEdit11", "GroupBox2", 392, 120, 89, "Ph (max):", "", 0},
    {"LabeledEdit16", "GroupBox3", 8, 40, 89, "Zeta_0:", "", 0},
    {"LabeledEdit17", "GroupBox3", 104, 40, 89, "Zeta_t:", "", 0},
    {"LabeledEdit18", "GroupBox3", 200, 40, 89, "Zeta_h:", "", 0},
    {"LabeledEdit19", "GroupBox3", 296, 40, 89, "Gamma_t:", "", 0},
    {"LabeledEdit20", "GroupBox3", 392, 40, 89, "Gamma_h:", "", 0},
    {"LabeledEdit22", "GroupBox4", 8, 40, 473, "Título do caso em estudo:", "", 80},
    {"LabeledEdit21", "GroupBox4", 8, 88, 57, "Nome do arquivo (sem extensão):", "", 8},
};

QWidget* ParentWidget(TForm1* form, const char* parent) {
  return parent == nullptr ? form->ClientArea() : form->FindControl(parent)->Widget();
}

using MainWindowLayout = MainWindowTest;

TEST_F(MainWindowLayout, Window) {
  QWidget* w = form->Widget();
  EXPECT_EQ(form->Caption(), "ZORMEK GUI");
  EXPECT_EQ(form->ClientArea()->width(), 555);
  EXPECT_EQ(form->ClientArea()->height(), 729);
  EXPECT_EQ(w->minimumSize(), w->maximumSize());  // the user cannot resize it
  EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(form->Left(), 340);
  EXPECT_EQ(form->Top(), 1);
  EXPECT_EQ(w->font().pixelSize(), 11);
}

TEST_F(MainWindowLayout, ControlsStandWhereTheLayoutPutsThem) {
  for (const Expected& e : kControls) {
    SCOPED_TRACE(e.name);
    TControl* c = form->FindControl(e.name);
    ASSERT_NE(c, nullptr);
    QWidget* w = c->Widget();
    EXPECT_EQ(w->parentWidget(), ParentWidget(form, e.parent));
    EXPECT_EQ(w->x(), e.left);
    EXPECT_EQ(w->y(), e.top);
    if (dynamic_cast<TLabel*>(c) == nullptr) {
      EXPECT_EQ(w->width(), e.width);
      EXPECT_EQ(w->height(), e.height);
    } else {
      // Labels are sized to their text in whatever face stands in.
      QFontMetrics fm(w->font());
      EXPECT_GE(w->width(), fm.horizontalAdvance(static_cast<QLabel*>(w)->text()));
    }
    if (e.font_px != 0) {
      EXPECT_EQ(w->font().pixelSize(), e.font_px);
      EXPECT_EQ(w->font().bold(), e.bold);
    }
    if (e.text != nullptr) {
      std::string text;
      if (auto* l = dynamic_cast<TLabel*>(c)) text = l->Caption();
      if (auto* g = dynamic_cast<TGroupBox*>(c)) text = g->Caption();
      if (auto* b = dynamic_cast<TButton*>(c)) text = b->Caption();
      EXPECT_EQ(text, e.text);
    }
  }
  EXPECT_FALSE(form->Label6->Caption().empty());
}

TEST_F(MainWindowLayout, LabelledEditsWithTheirCaptions) {
  for (const ExpectedEdit& e : kEdits) {
    SCOPED_TRACE(e.name);
    auto* edit = dynamic_cast<TLabeledEdit*>(form->FindControl(e.name));
    ASSERT_NE(edit, nullptr);
    QWidget* w = edit->Widget();
    EXPECT_EQ(w->parentWidget(), ParentWidget(form, e.parent));
    EXPECT_EQ(w->geometry(), QRect(e.left, e.top, e.width, 21));
    EXPECT_EQ(edit->Text(), e.text);
    EXPECT_EQ(edit->MaxLength(), e.max_length);
    EXPECT_EQ(w->font().pixelSize(), 12);
    EXPECT_FALSE(w->font().bold());
    TLabel* label = edit->EditLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), e.label);
    EXPECT_EQ(label->Widget()->parentWidget(), w->parentWidget());
    EXPECT_EQ(label->Left(), e.left);
    EXPECT_EQ(label->Top() + label->Height(), e.top - 3);
    EXPECT_EQ(label->Widget()->font().pixelSize(), 12);
    EXPECT_TRUE(label->Widget()->isVisible());
  }
}

TEST_F(MainWindowLayout, MemoStartsWithItsHeaderAndIsReadOnly) {
  ASSERT_EQ(form->Memo1->LineCount(), 1);
  EXPECT_EQ(form->Memo1->Line(0), "   Intervalo   |   Duração (h)   |   Carga (MW)");
  EXPECT_TRUE(form->Memo1->Qt()->isReadOnly());
  EXPECT_EQ(form->Memo1->Qt()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(MainWindowLayout, TabSequence) {
  std::vector<std::string> names;
  for (TControl* c : form->TabSequence()) names.push_back(c->Name());
  const std::vector<std::string> expected = {
      "LabeledEdit1",  "LabeledEdit5",  "LabeledEdit2",  "LabeledEdit3",  "LabeledEdit4",  "Memo1",
      "Button3",       "LabeledEdit6",  "LabeledEdit7",  "LabeledEdit8",  "LabeledEdit9",  "LabeledEdit10",
      "LabeledEdit12", "LabeledEdit13", "LabeledEdit14", "LabeledEdit15", "LabeledEdit11", "LabeledEdit16",
      "LabeledEdit17", "LabeledEdit18", "LabeledEdit19", "LabeledEdit20", "LabeledEdit22", "LabeledEdit21",
      "Button1",       "Button2"};
  EXPECT_EQ(names, expected);
  // The Tab key walks exactly that sequence, round to the start.
  for (std::size_t i = 1; i <= expected.size(); ++i) {
    Tab();
    EXPECT_TRUE(HasFocus(form->FindControl(expected[i % expected.size()]))) << expected[i % expected.size()];
  }
}

TEST_F(MainWindowLayout, EveryCaptionFitsItsControl) {
  for (const auto& button : {form->Button1, form->Button2, form->Button3}) {
    SCOPED_TRACE(button->Name());
    QFontMetrics fm(button->Widget()->font());
    EXPECT_LE(fm.horizontalAdvance(QString::fromStdString(button->Caption())) + 4, button->Width());
  }
  for (const auto& group : {form->GroupBox1, form->GroupBox2, form->GroupBox3, form->GroupBox4}) {
    SCOPED_TRACE(group->Name());
    QFontMetrics fm(group->Widget()->font());
    EXPECT_LE(fm.horizontalAdvance(QString::fromStdString(group->Caption())) + 16, group->Width());
  }
}

// Nothing overlaps inside a parent: labels may touch their neighbours by one
// pixel at most (the title's descent reaches the credit line's top).
TEST_F(MainWindowLayout, NothingOverlaps) {
  std::vector<std::pair<std::string, QWidget*>> widgets;
  for (TControl* c : form->Controls()) {
    widgets.push_back({c->Name(), c->Widget()});
    if (auto* e = dynamic_cast<TLabeledEdit*>(c)) widgets.push_back({c->Name() + ".label", e->EditLabel()->Widget()});
  }
  for (std::size_t i = 0; i < widgets.size(); ++i) {
    for (std::size_t j = i + 1; j < widgets.size(); ++j) {
      QWidget* a = widgets[i].second;
      QWidget* b = widgets[j].second;
      if (a->parentWidget() != b->parentWidget()) continue;
      const QRect overlap = a->geometry().intersected(b->geometry());
      const bool labels = qobject_cast<QLabel*>(a) != nullptr || qobject_cast<QLabel*>(b) != nullptr;
      const int allowed = labels ? 1 : 0;
      EXPECT_TRUE(overlap.isEmpty() || std::min(overlap.width(), overlap.height()) <= allowed)
          << widgets[i].first << " and " << widgets[j].first;
    }
    // Inside its parent.
    QWidget* w = widgets[i].second;
    EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << widgets[i].first;
  }
}

// Drawn in the faces that stand in for the layout's (the package depends on
// them), every caption ends clear of the control beside it: with Liberation
// Sans for "MS Sans Serif", "Número do intervalo:" ran into "Duração (horas):".
TEST_F(MainWindowLayout, EveryLabelEndsClearOfItsNeighbour) {
  if (!QFontDatabase::hasFamily(QStringLiteral("MS Sans Serif"))) {
    EXPECT_EQ(QFontInfo(form->LabeledEdit2->EditLabel()->Widget()->font()).family(), QStringLiteral("Carlito"));
  }
  if (!QFontDatabase::hasFamily(QStringLiteral("Arial"))) {
    EXPECT_EQ(QFontInfo(form->Label1->Widget()->font()).family(), QStringLiteral("Liberation Sans"));
  }
  EXPECT_EQ(zktest::LabelsRunningIntoNeighbours(*form), std::vector<std::string>{});
}

}  // namespace
