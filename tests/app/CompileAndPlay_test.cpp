// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <Qsci/qsciscintilla.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "AppTestSupport.h"
#include "app/frmWarningU.h"
#include "playback/smf_play.h"

namespace app_test {
namespace {

class CompileTest : public EditorTest {
 protected:
  /// Runs the compile command and waits until its outcome is shown.
  void Compile(TfrmMmlcplEditor& w) {
    QSignalSpy finished(&w, &TfrmMmlcplEditor::CompileFinished);
    w.mnuRunClick();
    ASSERT_TRUE(w.Compiling());
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_FALSE(w.Compiling());
  }

  static QString Status(const TfrmMmlcplEditor& w) { return w.StatusPanels[3]->text(); }

  [[nodiscard]] fs::path AppFile(const char* name) const { return Root / "app" / name; }
};

std::pair<int, int> Caret(const TfrmMmlcplEditor& w) {
  int line = 0;
  int index = 0;
  w.edtMain->getCursorPosition(&line, &index);
  return {line, index};
}

// The all-notes-off of channels 0 to 15, as the last messages of a stop.
bool EndsWithAllNotesOff(const std::vector<TRecordedMessage>& messages) {
  if (messages.size() < 16) return false;
  for (size_t channel = 0; channel < 16; ++channel) {
    const std::vector<uint8_t>& bytes = messages[messages.size() - 16 + channel].Bytes;
    if (bytes != std::vector<uint8_t>{static_cast<uint8_t>(0xB0 + channel), 0x7B, 0x00}) return false;
  }
  return true;
}

size_t NoteOns(const std::vector<TRecordedMessage>& messages) {
  return static_cast<size_t>(std::count_if(messages.begin(), messages.end(), [](const TRecordedMessage& m) {
    return m.Bytes.size() == 3 && (m.Bytes[0] & 0xF0) == 0x90 && m.Bytes[2] != 0;
  }));
}

TEST_F(CompileTest, CompilesOffTheWindowThenPlaysAndStops) {
  TfrmMmlcplEditor& w = Start();
  w.edtMain->setText(Q("t120 l4 cdefgab>c"));

  QSignalSpy finished(&w, &TfrmMmlcplEditor::CompileFinished);
  w.mnuRunClick();
  // While the compile runs, the window says so and the two tool buttons wait.
  EXPECT_EQ(Status(w), Q("コンパイル中..(長時間かかる場合があります)"));
  EXPECT_FALSE(w.toolPlay->isEnabled());
  EXPECT_FALSE(w.toolStop->isEnabled());
  w.mnuRunClick();  // a second request while compiling starts nothing
  ASSERT_TRUE(finished.wait(60000));
  EXPECT_EQ(finished.count(), 1);

  EXPECT_EQ(Status(w), Q("コンパイル終了"));
  EXPECT_TRUE(w.toolPlay->isEnabled());
  EXPECT_TRUE(w.toolStop->isEnabled());
  EXPECT_EQ(ReadFile(AppFile("pelorund.bak")), "t120 l4 cdefgab>c\r\n");
  EXPECT_TRUE(fs::exists(AppFile("pelorund.mid")));
  EXPECT_EQ(ReadFile(AppFile("CompileLog.txt")).rfind("[Pelorund] ", 0), 0u);
  EXPECT_TRUE(w.IsPlaying);
  EXPECT_EQ(w.MCIPlayer->maximum(), 8 * 48);  // eight quarter notes

  // The track bar follows the play position.
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.MCIPlayer->value() > 0; }, 20000));
  EXPECT_GT(NoteOns(Recording->Messages()), 0u);

  w.mnuStopClick();
  EXPECT_FALSE(w.IsPlaying);
  EXPECT_FALSE(w.Player->Playing);
  EXPECT_EQ(w.MCIPlayer->value(), 0);
  const std::vector<TRecordedMessage> afterStop = Recording->Messages();
  EXPECT_TRUE(EndsWithAllNotesOff(afterStop));
  QTest::qWait(400);  // a timer step later still nothing has followed the silence
  EXPECT_EQ(Recording->Messages().size(), afterStop.size());
  EXPECT_EQ(w.MCIPlayer->value(), 0);
}

TEST_F(CompileTest, SecondCompileStopsTheFirstSong) {
  TfrmMmlcplEditor& w = Start();
  w.edtMain->setText(Q("t60 l1 c d e f"));
  Compile(w);
  ASSERT_TRUE(w.IsPlaying);
  ASSERT_TRUE(QTest::qWaitFor([&] { return NoteOns(Recording->Messages()) > 0; }, 20000));
  Recording->Clear();
  Compile(w);
  const std::vector<TRecordedMessage> messages = Recording->Messages();
  ASSERT_GE(messages.size(), 16u);
  // The first song was silenced before anything of the second was sent.
  EXPECT_TRUE(EndsWithAllNotesOff({messages.begin(), messages.begin() + 16}));
  EXPECT_TRUE(w.IsPlaying);
}

TEST_F(CompileTest, ErrorPutsTheCaretOnItsRowAndColumn) {
  TfrmMmlcplEditor& w = Start();
  w.show();
  // Row 3: the column counts characters, a tab and each double-byte character as one.
  w.edtMain->setText(Q("c d e\r\nr4 c\r\nc\tあい c ? d\r\ne f g"));
  Compile(w);
  EXPECT_EQ(Status(w), Q("停止:[Y3,X8]: ｢?｣ : 未定義のコマンド又は文法エラーです."));
  EXPECT_EQ(Caret(w), std::make_pair(2, 8));  // just behind the "?"
  EXPECT_FALSE(w.IsPlaying);
  EXPECT_FALSE(fs::exists(AppFile("pelorund.mid")));
  EXPECT_NE(ReadFile(AppFile("CompileLog.txt")).find(Cp932("停止:[Y3,X8]")), std::string::npos);
  EXPECT_TRUE(w.toolPlay->isEnabled());
  EXPECT_TRUE(w.toolStop->isEnabled());
  EXPECT_TRUE(w.edtMain->hasFocus());
}

TEST_F(CompileTest, WarningsOpenTheLogAndStillPlay) {
  TfrmMmlcplEditor& w = Start();
  w.edtMain->setText(Q("@ch20 t240 l8 cdefg"));
  Compile(w);
  EXPECT_EQ(Status(w), Q("コンパイル終了（Warning）"));
  ASSERT_TRUE(w.frmWarning->isVisible());
  EXPECT_EQ(w.frmWarning->windowTitle(), Q("コンパイラログ"));
  const QStringList log = w.frmWarning->Memo1->toPlainText().split(QLatin1Char('\n'));
  ASSERT_EQ(log.size(), 3);
  EXPECT_TRUE(log[0].startsWith(Q("[Pelorund] ")));
  EXPECT_EQ(log[1], Q("注意:[Y1,X5]: ｢@ch｣ : 値が書き換えられました.  19  ->  15"));
  EXPECT_TRUE(log[2].startsWith(Q("終了: ")));
  EXPECT_TRUE(w.IsPlaying);
  w.mnuStopClick();
  QTest::keyClick(w.frmWarning, Qt::Key_Escape);
  EXPECT_FALSE(w.frmWarning->isVisible());
}

TEST_F(CompileTest, NamedDocumentCompilesBesideItself) {
  WriteFile("song.mml", "t240 c d e\r\n");
  TfrmMmlcplEditor& w = Start({Q("song.mml")});
  w.edtMain->append(Q(" f"));
  Compile(w);
  EXPECT_EQ(Status(w), Q("コンパイル終了"));
  EXPECT_TRUE(fs::exists(Root / "work" / "song.mid"));
  EXPECT_FALSE(fs::exists(AppFile("pelorund.mid")));
  EXPECT_EQ(ReadFile(Root / "work" / "song.mml"), "t240 c d e\r\n");  // the document itself stays
  EXPECT_EQ(ReadFile(AppFile("pelorund.bak")), "t240 c d e f\r\n");
  w.mnuStopClick();
}

TEST_F(CompileTest, SourceWithoutNotesPlaysNoOlderFile) {
  TfrmMmlcplEditor& w = Start();
  w.edtMain->setText(Q("t240 c"));
  Compile(w);
  ASSERT_TRUE(fs::exists(AppFile("pelorund.mid")));
  w.mnuStopClick();

  w.edtMain->setText(Q("' nothing but a comment"));
  Compile(w);
  EXPECT_EQ(Status(w), Q("作成したSMFが見つかりません"));
  EXPECT_FALSE(w.IsPlaying);
}

TEST_F(CompileTest, ShortcutsReachTheMenuFromTheEditor) {
  TfrmMmlcplEditor& w = Start();
  w.show();
  QApplication::setActiveWindow(&w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.edtMain->setFocus();
  w.edtMain->setText(Q("t240 c"));

  QTest::keyClick(w.edtMain, Qt::Key_Insert);
  EXPECT_EQ(w.StatusPanels[2]->text(), Q("上書"));
  QTest::keyClick(w.edtMain, Qt::Key_Insert);
  EXPECT_EQ(w.StatusPanels[2]->text(), Q("挿入"));

  QSignalSpy finished(&w, &TfrmMmlcplEditor::CompileFinished);
  QTest::keyClick(w.edtMain, Qt::Key_P, Qt::ControlModifier);
  ASSERT_TRUE(finished.wait(60000));
  EXPECT_TRUE(w.IsPlaying);
  QTest::keyClick(w.edtMain, Qt::Key_E, Qt::ControlModifier);
  EXPECT_FALSE(w.IsPlaying);
  EXPECT_EQ(w.edtMain->text(), Q("t240 c"));  // no key went into the text
}

TEST_F(CompileTest, UnwritableBackupCompilesNothing) {
  TfrmMmlcplEditor& w = Start();
  fs::create_directories(AppFile("pelorund.bak"));  // a directory where the backup should go
  w.edtMain->setText(Q("c"));
  w.mnuRunClick();
  EXPECT_FALSE(w.Compiling());
  EXPECT_EQ(Prompts.Errors.size(), 1u);
  EXPECT_FALSE(fs::exists(AppFile("CompileLog.txt")));
}

}  // namespace
}  // namespace app_test
