// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "ToolWindowTestSupport.h"
#include "app/frmChordU.h"

namespace app_test {
namespace {

class ChordTest : public EditorTest {
 protected:
  /// The main window with an empty editor and a progression window on `ini` (UTF-8 text
  /// written as code page 932; nothing: no file).
  TfrmChord& Open(const std::optional<std::string>& ini) {
    TfrmMmlcplEditor& w = Start();
    w.edtMain->setText(QString());
    editor_ = w.edtMain;
    const fs::path file = Root / "app" / "progression.ini";
    if (ini) pelorund::WriteFileAtomic(file, Cp932(*ini));
    chord_ = std::make_unique<TfrmChord>(&w, w.edtMain, file);
    chord_->Open();
    return *chord_;
  }
  [[nodiscard]] QStringList Entries(const QComboBox& box) const {
    QStringList entries;
    for (int i = 0; i < box.count(); ++i) entries << box.itemText(i);
    return entries;
  }
  void TearDown() override {
    chord_.reset();
    EditorTest::TearDown();
  }

  QsciScintilla* editor_ = nullptr;
  std::unique_ptr<TfrmChord> chord_;
};

constexpr const char* kIni =
    "; カテゴリ\r\n"
    "[ポップ]\r\ncomment=定番です\r\ncount=3\r\n0=\"I V\",\"[0]1 [7]1\"\r\n1=single\r\n2=two,[5]2 [0]2\r\n"
    "[empty]\r\ncomment=なし\r\ncount=0\r\n0=never,c\r\n"
    "[degrees]\r\nCOUNT=$2\r\n0=tones,\"[0]1 [5]1 [7]1\"\r\n1=\"[1], [11]\",\"[1]4 [11]4 [10]4\"\r\n";

TEST_F(ChordTest, ListsCategoriesInFileOrderWithTheirComments) {
  TfrmChord& c = Open(kIni);
  EXPECT_EQ(c.windowTitle(), Q("コード進行入力"));
  EXPECT_EQ(Entries(*c.cmbType), (QStringList{Q("ポップ"), Q("empty"), Q("degrees")}));
  EXPECT_EQ(c.cmbType->currentIndex(), 0);
  EXPECT_EQ(c.Comment->text(), Q("定番です"));
  // Key "1" has a single item and is skipped; the unquoted template ends at its first blank.
  EXPECT_EQ(Entries(*c.cmbChord), (QStringList{Q("I V"), Q("two")}));
  EXPECT_EQ(c.Templates(), (std::vector<std::string>{"[0]1 [7]1", "[5]2"}));
  EXPECT_EQ(c.cmbChord->currentIndex(), 0);
  EXPECT_EQ(c.RootKey->ItemIndex(), 0);
  EXPECT_EQ(c.RootKey->Button(1)->text(), Q("C# / Db"));
  EXPECT_EQ(c.cmbFlag->ItemIndex(), 0);

  c.cmbType->setCurrentIndex(2);
  EXPECT_EQ(c.Comment->text(), QString());
  EXPECT_EQ(Entries(*c.cmbChord), (QStringList{Q("tones"), Q("[1], [11]")}));
}

TEST_F(ChordTest, WritesTheTemplateWithNoteNamesAndStaysOpen) {
  TfrmChord& c = Open(kIni);
  c.cmbType->setCurrentIndex(2);
  c.RootKey->Button(2)->click();  // D
  c.cmbFlag->Button(1)->click();  // #
  editor_->setText(Q("ab"));
  PlaceCaret(*editor_, 1);
  c.btnOK->click();
  EXPECT_EQ(editor_->text(), Q("aD1 G1 A1b"));
  EXPECT_EQ(SelectionChars(*editor_), std::make_pair(9, 9));
  EXPECT_TRUE(c.isVisible());

  // «[1]» and «[11]» are replaced independently.
  c.cmbChord->setCurrentIndex(1);
  c.RootKey->Button(0)->click();
  c.cmbFlag->Button(2)->click();  // -
  editor_->selectAll();
  c.btnOK->click();
  EXPECT_EQ(editor_->text(), Q("D-4 B4 B-4"));
}

TEST_F(ChordTest, ACategoryWithoutEntriesWritesNothing) {
  TfrmChord& c = Open(kIni);
  c.cmbType->setCurrentIndex(1);
  EXPECT_EQ(c.Comment->text(), Q("なし"));
  EXPECT_EQ(Entries(*c.cmbChord), (QStringList{Q("登録なし")}));
  editor_->setText(Q("keep"));
  editor_->selectAll();
  c.btnOKClick();
  EXPECT_EQ(editor_->text(), Q("keep"));
}

TEST_F(ChordTest, EveryEntrySkippedLeavesNothingToWrite) {
  TfrmChord& c = Open("[broken]\r\ncount=2\r\n0=one\r\n");
  EXPECT_EQ(c.cmbChord->count(), 0);
  c.btnOKClick();
  EXPECT_EQ(editor_->text(), QString());
}

TEST_F(ChordTest, AMissingFileShowsNoCategory) {
  TfrmChord& c = Open(std::nullopt);
  EXPECT_EQ(c.cmbType->count(), 0);
  EXPECT_EQ(Entries(*c.cmbChord), (QStringList{Q("登録なし")}));
  c.btnOKClick();
  EXPECT_EQ(editor_->text(), QString());
}

TEST_F(ChordTest, TheMenuShowsTheShippedProgressions) {
  TfrmMmlcplEditor& w = Start();
  QAction* entry = MenuEntry(w, Q("ツール(&T)"), Q("コード進行入力"));
  ASSERT_NE(entry, nullptr);
  ASSERT_TRUE(entry->isEnabled());
  entry->trigger();
  EXPECT_TRUE(w.frmChord->isVisible());
  EXPECT_GE(w.frmChord->cmbType->count(), 8);
  EXPECT_GE(w.frmChord->cmbChord->count(), 3);
  EXPECT_FALSE(w.frmChord->Comment->text().isEmpty());
}

}  // namespace
}  // namespace app_test
