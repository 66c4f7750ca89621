// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "ToolWindowTestSupport.h"
#include "app/frmFindU.h"
#include "app/frmReplaceU.h"

namespace app_test {
namespace {

class FindTest : public EditorTest {
 protected:
  /// The main window with `text` in its editor, the caret at `caret`, and the find window open.
  TfrmFind& Open(const QString& text, int caret = 0) {
    TfrmMmlcplEditor& w = Start();
    w.edtMain->setText(text);
    PlaceCaret(*w.edtMain, caret);
    w.mnuFindClick();
    editor_ = w.edtMain;
    return *w.frmFind;
  }
  /// Types the key and presses "検索".
  void Find(TfrmFind& f, const QString& key) {
    f.edtKey->setText(key);
    f.btnFind->click();
  }
  [[nodiscard]] std::pair<int, int> Selection() const { return SelectionChars(*editor_); }
  [[nodiscard]] QStringList History(const TfrmFind& f) const {
    QStringList entries;
    for (int i = 0; i < f.ComboBox1->count(); ++i) entries << f.ComboBox1->itemText(i);
    return entries;
  }

  QsciScintilla* editor_ = nullptr;
};

TEST_F(FindTest, SelectsTheMatchAfterDoubleByteTextAndWraps) {
  // Characters of two and three UTF-8 bytes and a line break stand before the matches.
  TfrmFind& f = Open(Q("あいう abc\r\nかき・abc ｱ abc"));
  EXPECT_EQ(f.windowTitle(), Q("検索"));
  EXPECT_TRUE(f.chkUpperCase->isChecked());
  Find(f, Q("abc"));
  EXPECT_EQ(Selection(), std::make_pair(4, 7));
  EXPECT_EQ(editor_->selectedText(), Q("abc"));
  EXPECT_FALSE(f.isVisible());  // a match closes the window

  Find(f, Q("abc"));  // the match just found is skipped
  EXPECT_EQ(Selection(), std::make_pair(12, 15));
  Find(f, Q("abc"));
  EXPECT_EQ(Selection(), std::make_pair(18, 21));
  Find(f, Q("abc"));  // behind the last match: from the start again
  EXPECT_EQ(Selection(), std::make_pair(4, 7));
  Find(f, Q("ｱ"));  // a half-width katakana is one byte
  EXPECT_EQ(Selection(), std::make_pair(16, 17));
  EXPECT_TRUE(Prompts.Messages.empty());
}

TEST_F(FindTest, NeverMatchesTheSecondByteOfACharacter) {
  // "ア" is the bytes 0x83 "A": the search after the caret starts behind the whole character.
  TfrmFind& f = Open(Q("アA"));
  Find(f, Q("A"));
  EXPECT_EQ(Selection(), std::make_pair(1, 2));
}

TEST_F(FindTest, WithoutCaseFindsAnyCaseAndKeepsTheFoldedKey) {
  TfrmFind& f = Open(Q("- ABC -"));
  Find(f, Q("abc"));  // the case option is on: no match
  ASSERT_EQ(Prompts.Messages.size(), 1u);
  EXPECT_EQ(Prompts.Messages[0].Caption, Q("untitled.mml - Pelorund"));
  EXPECT_EQ(Prompts.Messages[0].Text, Q("\"abc\"は、見つかりませんでした。"));
  EXPECT_TRUE(f.isVisible());  // the window stays open

  f.chkUpperCase->setChecked(false);
  Find(f, Q("abc"));
  EXPECT_EQ(Selection(), std::make_pair(2, 5));
  Find(f, Q("xyz"));
  ASSERT_EQ(Prompts.Messages.size(), 2u);
  EXPECT_EQ(Prompts.Messages[1].Text, Q("\"XYZ\"は、見つかりませんでした。"));
  // One entry per key regardless of case, the latest last: "ABC" took the place of "abc".
  EXPECT_EQ(History(f), (QStringList{Q("ABC"), Q("XYZ")}));
  Find(f, Q("aBc"));
  EXPECT_EQ(History(f), (QStringList{Q("XYZ"), Q("ABC")}));
}

TEST_F(FindTest, FoldingLeavesDoubleByteCharactersAlone) {
  // Upper-casing the second byte of "ヂ" (0x83 0x61) would turn it into "ア" (0x83 0x41).
  TfrmFind& f = Open(Q("ヂア"), 2);
  f.chkUpperCase->setChecked(false);
  Find(f, Q("ア"));
  EXPECT_EQ(Selection(), std::make_pair(1, 2));
  Find(f, Q("ヂ"));
  EXPECT_EQ(Selection(), std::make_pair(0, 1));
}

TEST_F(FindTest, AnEmptyKeyIsNeverFound) {
  TfrmFind& f = Open(Q("abc"));
  Find(f, QString());
  ASSERT_EQ(Prompts.Messages.size(), 1u);
  EXPECT_EQ(Prompts.Messages[0].Text, Q("\"\"は、見つかりませんでした。"));
  EXPECT_TRUE(f.isVisible());
}

TEST_F(FindTest, AKeyOutsideShiftJisIsNeverFound) {
  TfrmFind& f = Open(Q("a?b"));
  Find(f, Q("\U0001F3B5"));
  ASSERT_EQ(Prompts.Messages.size(), 1u);
  EXPECT_EQ(Prompts.Messages[0].Text, Q("\"\U0001F3B5\"は、見つかりませんでした。"));
}

TEST_F(FindTest, EnterInTheKeyBoxAndFindNextSearchAgain) {
  TfrmFind& f = Open(Q("c d c d"));
  f.edtKey->setText(Q("d"));
  QTest::keyClick(f.edtKey, Qt::Key_Return);
  EXPECT_EQ(Selection(), std::make_pair(2, 3));
  EXPECT_FALSE(f.isVisible());

  // F3 with the window closed: the text last typed, nothing shown.
  TfrmMmlcplEditor& w = *qobject_cast<TfrmMmlcplEditor*>(f.parentWidget());
  w.mnuFindNextClick();
  EXPECT_EQ(Selection(), std::make_pair(6, 7));
  EXPECT_FALSE(f.isVisible());
  QAction* findNext = MenuEntry(w, Q("検索(&S)"), Q("次を検索(&M)"));
  ASSERT_NE(findNext, nullptr);
  EXPECT_EQ(findNext->shortcut(), QKeySequence(Qt::Key_F3));
  findNext->trigger();
  EXPECT_EQ(Selection(), std::make_pair(2, 3));
  EXPECT_TRUE(Prompts.Messages.empty());
}

TEST_F(FindTest, HistoryEntryBecomesTheKey) {
  TfrmFind& f = Open(Q("one two"));
  Find(f, Q("one"));
  Find(f, Q("two"));
  f.ComboBox1->setCurrentIndex(0);
  emit f.ComboBox1->activated(0);
  EXPECT_EQ(f.edtKey->text(), Q("one"));
}

TEST_F(FindTest, KeyBoxMenuCutsCopiesAndPastes) {
  TfrmFind& f = Open(Q(""));
  const QList<QAction*> entries = f.KeyMenu->actions();
  ASSERT_EQ(entries.size(), 3);
  EXPECT_EQ(entries[0]->text(), Q("切り取り(&T)"));
  EXPECT_EQ(entries[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
  EXPECT_EQ(entries[1]->text(), Q("コピー(&C)"));
  EXPECT_EQ(entries[2]->text(), Q("貼り付け(&P)"));
  f.edtKey->setText(Q("key"));
  f.edtKey->selectAll();
  entries[0]->trigger();
  EXPECT_EQ(f.edtKey->text(), QString());
  EXPECT_EQ(QApplication::clipboard()->text(), Q("key"));
  entries[2]->trigger();
  entries[2]->trigger();
  EXPECT_EQ(f.edtKey->text(), Q("keykey"));
}

TEST_F(FindTest, EscapeCloses) {
  TfrmFind& f = Open(Q("x"));
  ASSERT_TRUE(f.isVisible());
  QTest::keyClick(&f, Qt::Key_Escape);
  EXPECT_FALSE(f.isVisible());
}

TEST_F(FindTest, FindAndReplaceWindowsExcludeEachOther) {
  TfrmMmlcplEditor& w = Start();
  QAction* find = MenuEntry(w, Q("検索(&S)"), Q("検索(&F)"));
  QAction* replace = MenuEntry(w, Q("検索(&S)"), Q("置換(&E)"));
  ASSERT_NE(find, nullptr);
  ASSERT_NE(replace, nullptr);
  EXPECT_EQ(find->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
  EXPECT_EQ(replace->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
  find->trigger();
  EXPECT_TRUE(w.frmFind->isVisible());
  replace->trigger();
  EXPECT_TRUE(w.frmReplace->isVisible());
  EXPECT_FALSE(w.frmFind->isVisible());
  find->trigger();
  EXPECT_TRUE(w.frmFind->isVisible());
  EXPECT_FALSE(w.frmReplace->isVisible());
}

}  // namespace
}  // namespace app_test
