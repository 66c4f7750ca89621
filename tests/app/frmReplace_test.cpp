// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "ToolWindowTestSupport.h"
#include "app/frmFindU.h"
#include "app/frmReplaceU.h"

namespace app_test {
namespace {

class ReplaceTest : public EditorTest {
 protected:
  /// The main window with `text` in its editor, the caret at `caret`, and the replace window open.
  TfrmReplace& Open(const QString& text, int caret = 0) {
    TfrmMmlcplEditor& w = Start();
    w.edtMain->setText(text);
    PlaceCaret(*w.edtMain, caret);
    w.mnuReplaceClick();
    window_ = &w;
    return *w.frmReplace;
  }
  void Keys(TfrmReplace& r, const QString& key, const QString& replacement) {
    r.edtKey->setText(key);
    r.edtReplace->setText(replacement);
  }
  [[nodiscard]] QString Text() const { return window_->edtMain->text(); }
  [[nodiscard]] std::pair<int, int> Selection() const { return SelectionChars(*window_->edtMain); }

  TfrmMmlcplEditor* window_ = nullptr;
};

TEST_F(ReplaceTest, ReplacesOneAfterAskingAndSelectsTheReplacement) {
  TfrmReplace& r = Open(Q("ドレミ abc ABC abc"));
  EXPECT_EQ(r.windowTitle(), Q("置換"));
  EXPECT_TRUE(r.chkUpperCase->isChecked());
  EXPECT_FALSE(r.chkSelectArea->isChecked());
  Keys(r, Q("abc"), Q("ソ"));
  Prompts.Answers = {QMessageBox::No};
  r.btnReplace->click();
  ASSERT_EQ(Prompts.Questions.size(), 1u);
  EXPECT_EQ(Prompts.Questions[0].Caption, Q("untitled.mml - Pelorund"));
  EXPECT_EQ(Prompts.Questions[0].Text, Q("\"abc\"が見つかりました。\r\n\"ソ\"に、置換しますか？"));
  EXPECT_EQ(Text(), Q("ドレミ abc ABC abc"));

  Prompts.Answers = {QMessageBox::Yes};
  r.btnReplace->click();
  EXPECT_EQ(Text(), Q("ドレミ ソ ABC abc"));
  EXPECT_EQ(Selection(), std::make_pair(4, 5));
  EXPECT_TRUE(r.isVisible());  // the window stays open
}

TEST_F(ReplaceTest, WithoutCaseReplacesOnlyTheMatch) {
  TfrmReplace& r = Open(Q("xy ABC Abc"), 1);
  r.chkUpperCase->setChecked(false);
  Keys(r, Q("abc"), Q("q"));
  Prompts.Answers = {QMessageBox::Yes};
  r.btnReplace->click();
  EXPECT_EQ(Prompts.Questions[0].Text, Q("\"abc\"が見つかりました。\r\n\"q\"に、置換しますか？"));
  EXPECT_EQ(Text(), Q("xy q Abc"));
}

TEST_F(ReplaceTest, ReplacesTheMatchAFindSelected) {
  TfrmReplace& r = Open(Q("abc abc abc"));
  TfrmFind& f = *window_->frmFind;
  window_->mnuFindClick();
  f.edtKey->setText(Q("abc"));
  f.btnFindClick();  // skips the match at the caret
  ASSERT_EQ(Selection(), std::make_pair(4, 7));
  window_->mnuReplaceClick();
  Keys(r, Q("abc"), Q("X"));
  Prompts.Answers = {QMessageBox::Yes};
  r.btnReplaceClick();
  EXPECT_EQ(Text(), Q("abc X abc"));
}

TEST_F(ReplaceTest, WrapsAndReportsAKeyNotFound) {
  TfrmReplace& r = Open(Q("abc zz"), 6);
  Keys(r, Q("abc"), Q("d"));
  Prompts.Answers = {QMessageBox::Yes};
  r.btnReplaceClick();  // behind the last match: from the start
  EXPECT_EQ(Text(), Q("d zz"));

  Keys(r, Q("zzz"), Q("y"));
  r.btnReplaceClick();
  r.chkUpperCase->setChecked(false);
  r.btnReplaceClick();
  Keys(r, QString(), Q("y"));
  r.btnReplaceClick();
  ASSERT_EQ(Prompts.Messages.size(), 3u);
  EXPECT_EQ(Prompts.Messages[0].Text, Q("検索語「zzz」は見つかりませんでした。"));
  EXPECT_EQ(Prompts.Messages[1].Text, Q("検索語「ZZZ」は見つかりませんでした。"));
  EXPECT_EQ(Prompts.Messages[2].Text, Q("検索語「」は見つかりませんでした。"));
  EXPECT_EQ(Prompts.Questions.size(), 1u);
  EXPECT_EQ(Text(), Q("d zz"));
}

TEST_F(ReplaceTest, ReplacesAllInTheWholeText) {
  struct {
    const char* text;
    const char* key;
    const char* replacement;
    bool matchCase;
    const char* expected;
  } cases[] = {
      {"aaa", "a", "aa", true, "aaaaaa"},                    // a replacement is never searched again
      {"A a\r\na", "a", "b", false, "A b\r\nb"},             // letter case exact whatever the option says
      {"ー[0] [0]", "[", "(", true, "ー(0] (0]"},            // "ー" ends with the byte "["
      {"\U0001F3B5 a ♪", "a", "b", true, "\U0001F3B5 b ♪"},  // text outside code page 932 stays
      {"abc", "", "x", true, "abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TfrmReplace& r = Open(Q(c.text));
    r.chkUpperCase->setChecked(c.matchCase);
    Keys(r, Q(c.key), Q(c.replacement));
    Prompts.Answers = {QMessageBox::Yes};
    r.btnReplaceAllClick();
    ASSERT_EQ(Prompts.Questions.size(), 1u);
    EXPECT_EQ(Prompts.Questions[0].Text, Q("全て置換します。よろしいですか？"));
    EXPECT_EQ(Text(), Q(c.expected));
    EXPECT_TRUE(Prompts.Messages.empty());  // no count is reported
    EXPECT_TRUE(r.isVisible());
    Prompts.Questions.clear();
  }
}

TEST_F(ReplaceTest, ReplaceAllIsOneUndoStepAndNoKeepsTheText) {
  TfrmReplace& r = Open(Q("c d c d c"));
  Keys(r, Q("c"), Q("e"));
  Prompts.Answers = {QMessageBox::No};
  r.btnReplaceAllClick();
  EXPECT_EQ(Text(), Q("c d c d c"));
  Prompts.Answers = {QMessageBox::Yes};
  r.btnReplaceAllClick();
  EXPECT_EQ(Text(), Q("e d e d e"));
  window_->edtMain->undo();
  EXPECT_EQ(Text(), Q("c d c d c"));
}

TEST_F(ReplaceTest, ReplacesAllInTheSelection) {
  TfrmReplace& r = Open(Q("a a\r\nあa a"));
  Keys(r, Q("a"), Q("bb"));
  r.chkSelectArea->setChecked(true);
  Prompts.Answers = {QMessageBox::Yes};
  r.btnReplaceAllClick();  // nothing selected: nothing changes
  EXPECT_EQ(Text(), Q("a a\r\nあa a"));

  SelectChars(*window_->edtMain, 2, 7);  // "a\r\nあa"
  Prompts.Answers = {QMessageBox::Yes};
  r.btnReplaceAllClick();
  EXPECT_EQ(Text(), Q("a bb\r\nあbb a"));
  EXPECT_EQ(Selection(), std::make_pair(9, 9));  // the caret behind the replaced text
}

TEST_F(ReplaceTest, ASelectionTurnsReplaceInSelectionOn) {
  TfrmReplace& r = Open(Q("abc"));
  EXPECT_FALSE(r.chkSelectArea->isChecked());
  SelectChars(*window_->edtMain, 0, 2);
  window_->mnuReplaceClick();
  EXPECT_TRUE(r.chkSelectArea->isChecked());
  PlaceCaret(*window_->edtMain, 1);
  window_->mnuReplaceClick();  // never turned off by the program
  EXPECT_TRUE(r.chkSelectArea->isChecked());
}

TEST_F(ReplaceTest, EachBoxHasItsOwnEditMenu) {
  TfrmReplace& r = Open(Q(""));
  ASSERT_NE(r.KeyMenu, r.ReplaceMenu);
  for (QMenu* menu : {r.KeyMenu, r.ReplaceMenu}) {
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[2]->text(), Q("貼り付け(&P)"));
  }
  r.edtReplace->setText(Q("rep"));
  r.edtReplace->selectAll();
  r.ReplaceMenu->actions()[1]->trigger();  // copy
  r.KeyMenu->actions()[2]->trigger();      // paste into the search box
  EXPECT_EQ(r.edtKey->text(), Q("rep"));
}

}  // namespace
}  // namespace app_test
