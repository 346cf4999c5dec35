// Qt's own texts (the context menus of the edits and the memo) are shown in
// Brazilian Portuguese whatever the system's language (the suite runs with
// LC_ALL=C.UTF-8), and the toolkit still finds the edit's Paste among them.
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <gtest/gtest.h>
#include <memory>

#include "tests/toolkit/TestForm.h"
#include "toolkit/Widgets.h"

using namespace zktest;

namespace {

// The menu's entries as shown: without the shortcut and the "&" marks.
QStringList Entries(QMenu* menu) {
  QStringList entries;
  for (QAction* action : menu->actions())
    if (!action->isSeparator()) entries << action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
  return entries;
}

TEST(QtTexts, ContextMenusArePortuguese) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  std::unique_ptr<QMenu> edit_menu(static_cast<tk::LineEdit*>(form.Line("Word"))->CreateContextMenu());
  EXPECT_EQ(Entries(edit_menu.get()),
            (QStringList{"Desfazer", "Refazer", "Recortar", "Copiar", "Colar", "Excluir", "Selecionar tudo"}));
  std::unique_ptr<QMenu> memo_menu(static_cast<tk::Memo*>(form.Memo("List")->Widget())->createStandardContextMenu());
  EXPECT_EQ(Entries(memo_menu.get()), (QStringList{"Copiar", "Selecionar tudo"}));
}

// The translated "Colar" is still bound to the length-limited paste.
TEST(QtTexts, TranslatedPasteKeepsTheLengthLimit) {
  TestForm form(kTestLayout, false);
  ASSERT_TRUE(ShowAndActivate(form));
  TLabeledEdit* edit = form.Edit("Last");  // at most 5 characters
  edit->SetText("ab");
  auto* line = static_cast<tk::LineEdit*>(edit->Qt());
  line->setCursorPosition(2);
  QGuiApplication::clipboard()->setText("cdefgh");
  std::unique_ptr<QMenu> menu(line->CreateContextMenu());
  QAction* paste = tk::LineEdit::PasteAction(menu.get());
  ASSERT_NE(paste, nullptr);
  EXPECT_EQ(paste->text().section(QLatin1Char('\t'), 0, 0), "C&olar");
  paste->trigger();
  EXPECT_EQ(edit->Text(), "abcde");
}

}  // namespace
