// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <memory>

#include "ToolWindowTestSupport.h"
#include "app/frmChord2U.h"

namespace app_test {
namespace {

class Chord2Test : public EditorTest {
 protected:
  /// The main window with an empty editor and a chord window on `ini` (nothing: no file).
  TfrmChord2& Open(const std::optional<std::string>& ini) {
    TfrmMmlcplEditor& w = Start();
    w.edtMain->setText(QString());
    editor_ = w.edtMain;
    const fs::path file = Root / "app" / "chord.ini";
    if (ini) pelorund::WriteFileAtomic(file, *ini);
    chord_ = std::make_unique<TfrmChord2>(&w, w.edtMain, file);
    chord_->Open();
    return *chord_;
  }
  /// Columns 1 to 12 of a row: "x" for "●", "o" for "○", "." for an empty cell.
  [[nodiscard]] std::string Marks(const TfrmChord2& c, int row) const {
    std::string marks;
    for (int column = 1; column <= 12; ++column) {
      const QString cell = c.Grid->Cell(column, row);
      marks += cell == Q("●") ? 'x' : cell == Q("○") ? 'o' : cell.isEmpty() ? '.' : '?';
    }
    return marks;
  }
  void TearDown() override {
    chord_.reset();
    EditorTest::TearDown();
  }

  QsciScintilla* editor_ = nullptr;
  std::unique_ptr<TfrmChord2> chord_;
};

constexpr const char* kIni =
    "[Chord]\r\nM7=0,4,7,11\r\n9=0,4,7,10,14\r\nx=0,12\r\nm7 = 0, 3, 7, 10\r\nnothing=\r\n"
    "[other]\r\nM=0,4,7\r\n";

TEST_F(Chord2Test, MarksEveryChordByInterval) {
  TfrmChord2& c = Open(kIni);
  EXPECT_EQ(c.windowTitle(), Q("コード入力"));
  ASSERT_EQ(c.Grid->RowCount(), 2 + 5);
  struct {
    int row;
    const char* name;
    const char* marks;
  } rows[] = {
      {2, "M7", "x...x..x...x"}, {3, "9", "x.o.x..x..x."},       {4, "x", "x..........."},
      {5, "m7", "x..x...x..x."}, {6, "nothing", "............"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(c.Grid->Cell(0, r.row), Q(r.name));
    EXPECT_EQ(Marks(c, r.row), r.marks);
  }
  EXPECT_EQ(c.Grid->Row(), 2);
}

TEST_F(Chord2Test, HeaderRowsFollowTheRoot) {
  TfrmChord2& c = Open(kIni);
  EXPECT_EQ(c.Grid->Cell(0, 0), QString());
  EXPECT_EQ(c.Grid->Cell(1, 0), Q("P1"));
  EXPECT_EQ(c.Grid->Cell(1, 1), Q("C"));
  EXPECT_EQ(c.Grid->Cell(12, 0), Q("M7"));
  EXPECT_EQ(c.Grid->Cell(12, 1), Q("B"));
  EXPECT_EQ(c.RootKey->Button(2)->text(), Q("D"));
  c.RootKey->Button(2)->click();
  EXPECT_EQ(c.Grid->Cell(1, 0), Q("M2/9"));
  EXPECT_EQ(c.Grid->Cell(1, 1), Q("D"));
  EXPECT_EQ(c.Grid->Cell(12, 0), Q("m2/b9"));
  EXPECT_EQ(c.Grid->Cell(12, 1), Q("C#/Db"));
  EXPECT_EQ(Marks(c, 2), "x...x..x...x");  // the chord rows stay as they are
}

TEST_F(Chord2Test, WritesTheChordOnTheRootAndStaysOpen) {
  TfrmChord2& c = Open(kIni);
  c.RootKey->Button(3)->click();  // D#/Eb
  c.cmbFlag->Button(2)->click();  // -
  c.Grid->SetRow(5);              // m7
  c.btnOK->click();
  EXPECT_EQ(editor_->text(), Q("E-(m7) "));
  EXPECT_TRUE(c.isVisible());

  // Several chords one after another; a double click writes too.
  c.cmbFlag->Button(1)->click();  // #
  c.Grid->SetRow(2);
  emit c.Grid->doubleClicked(c.Grid->model()->index(2, 0));
  EXPECT_EQ(editor_->text(), Q("E-(m7) D#(M7) "));
  EXPECT_EQ(SelectionChars(*editor_), std::make_pair(14, 14));
}

TEST_F(Chord2Test, AMissingFileShowsOnlyTheHeaderRows) {
  TfrmChord2& c = Open(std::nullopt);
  EXPECT_EQ(c.Grid->RowCount(), 2);
  EXPECT_EQ(c.Grid->Row(), -1);
  c.btnOKClick();
  EXPECT_EQ(editor_->text(), QString());
}

TEST_F(Chord2Test, TheMenuShowsTheShippedChords) {
  TfrmMmlcplEditor& w = Start();
  QAction* entry = MenuEntry(w, Q("ツール(&T)"), Q("コード入力"));
  ASSERT_NE(entry, nullptr);
  entry->trigger();
  ASSERT_TRUE(w.frmChord2->isVisible());
  EXPECT_GT(w.frmChord2->Grid->RowCount(), 20);
  EXPECT_EQ(w.frmChord2->Grid->Cell(0, 2), Q("M"));
}

}  // namespace
}  // namespace app_test
