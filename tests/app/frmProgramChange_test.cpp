// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "ToolWindowTestSupport.h"
#include "app/frmProgramChangeU.h"

namespace app_test {
namespace {

constexpr const char* kIni =
    "[ProgramChange]\r\n0=Piano 1\r\n127=  Gunshot \t\r\n"
    "[ControlChange]\r\n7=Volume\r\n10=Pan\r\n127=Poly On\r\n"
    "[Extend]\r\n0=`GMSYSTEMON\r\n";

class ProgramChangeTest : public EditorTest {
 protected:
  /// The main window with "ab" in its editor (caret between) and the window on the test file.
  TfrmProgramChange& Open(bool withFile = true) {
    TfrmMmlcplEditor& w = Start();
    w.edtMain->setText(Q("ab"));
    PlaceCaret(*w.edtMain, 1);
    editor_ = w.edtMain;
    if (withFile) WriteIni(kIni);
    window_ = std::make_unique<TfrmProgramChange>(&w, w.edtMain, IniFile());
    window_->Open();
    return *window_;
  }
  [[nodiscard]] fs::path IniFile() const { return Root / "app" / "controls.ini"; }
  void WriteIni(const std::string& text) const { pelorund::WriteFileAtomic(IniFile(), text); }
  /// Chooses the entry, writes it and returns the editor's text.
  QString Write(TfrmProgramChange& p, int entry) {
    editor_->setText(Q("ab"));
    PlaceCaret(*editor_, 1);
    p.Open();
    p.cmbProgram->setCurrentIndex(entry);
    p.btnOK->click();
    return editor_->text();
  }
  void TearDown() override {
    window_.reset();
    EditorTest::TearDown();
  }

  QsciScintilla* editor_ = nullptr;
  std::unique_ptr<TfrmProgramChange> window_;
};

TEST_F(ProgramChangeTest, WritesProgramAndControlChanges) {
  TfrmProgramChange& p = Open();
  EXPECT_EQ(p.windowTitle(), Q("音色とコントロール"));
  EXPECT_EQ(p.RadioGroup1->ItemIndex(), 0);
  EXPECT_EQ(p.RadioGroup1->Button(1)->text(), Q("コントロールチェンジ"));
  ASSERT_EQ(p.cmbProgram->count(), 128);
  EXPECT_EQ(p.cmbProgram->currentIndex(), 0);
  struct {
    int kind;
    int entry;
    const char* text;
  } cases[] = {
      {0, 0, "a@1 'Piano 1\r\nb"},
      {0, 127, "a@128 'Gunshot\r\nb"},  // the value is read trimmed
      {0, 5, "a@6 '\r\nb"},
      {1, 10, "ah$0A,  0 'Pan\r\nb"},
      {1, 127, "ah$7F,  0 'Poly On\r\nb"},
      {1, 0, "ah$00,  0 '\r\nb"},
      {2, 0, "a`GMSYSTEMONb"},
      {2, 1, "ab"},  // an empty special command writes nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    p.RadioGroup1->Button(c.kind)->click();
    EXPECT_EQ(Write(p, c.entry), Q(c.text));
    EXPECT_FALSE(p.isVisible());  // writing closes the window
  }
}

TEST_F(ProgramChangeTest, TheCaretStandsAfterTheWrittenText) {
  TfrmProgramChange& p = Open();
  p.RadioGroup1->Button(1)->click();
  Write(p, 7);
  EXPECT_EQ(editor_->text(), Q("ah$07,  0 'Volume\r\nb"));
  int line = -1;
  int index = -1;
  editor_->getCursorPosition(&line, &index);
  EXPECT_EQ(std::make_pair(line, index), std::make_pair(1, 0));
  p.RadioGroup1->Button(2)->click();
  Write(p, 0);
  EXPECT_EQ(SelectionChars(*editor_), std::make_pair(12, 12));
}

TEST_F(ProgramChangeTest, ChoosingAKindReadsTheFileAgain) {
  TfrmProgramChange& p = Open();
  p.cmbProgram->setCurrentIndex(5);
  WriteIni("[ProgramChange]\r\n0=Organ\r\n[ControlChange]\r\n0=Bank\r\n");
  EXPECT_EQ(p.cmbProgram->itemText(0), Q("Piano 1"));  // read when the kind changes only
  p.RadioGroup1->Button(1)->click();
  EXPECT_EQ(p.cmbProgram->itemText(0), Q("Bank"));
  EXPECT_EQ(p.cmbProgram->itemText(10), QString());
  EXPECT_EQ(p.cmbProgram->currentIndex(), 0);
  p.RadioGroup1->Button(0)->click();
  EXPECT_EQ(p.cmbProgram->itemText(0), Q("Organ"));
  EXPECT_EQ(p.cmbProgram->count(), 128);
}

TEST_F(ProgramChangeTest, AMissingFileGivesEmptyNames) {
  TfrmProgramChange& p = Open(false);
  ASSERT_EQ(p.cmbProgram->count(), 128);
  EXPECT_EQ(p.cmbProgram->itemText(0), QString());
  EXPECT_EQ(Write(p, 0), Q("a@1 '\r\nb"));
}

TEST_F(ProgramChangeTest, TheMenuShowsTheShippedNames) {
  TfrmMmlcplEditor& w = Start();
  QAction* entry = MenuEntry(w, Q("ツール(&T)"), Q("コントロール入力"));
  ASSERT_NE(entry, nullptr);
  entry->trigger();
  ASSERT_TRUE(w.frmProgramChange->isVisible());
  EXPECT_EQ(w.frmProgramChange->cmbProgram->itemText(0), Q("Acoustic Grand Piano"));
}

}  // namespace
}  // namespace app_test
