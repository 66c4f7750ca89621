// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Following the music in the text, playing from the caret, and the piano roll.
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QSignalSpy>
#include <QTest>

#include "AppTestSupport.h"
#include "app/LiveCheckU.h"
#include "app/MusicFollowU.h"
#include "app/PianoRollU.h"
#include "playback/smf_play.h"

namespace app_test {
namespace {

class MusicViewsTest : public EditorTest {
 protected:
  static void Compile(TfrmMmlcplEditor& w, bool fromCaret = false) {
    QSignalSpy finished(&w, &TfrmMmlcplEditor::CompileFinished);
    if (fromCaret) {
      w.mnuPlayFromCaretClick();
    } else {
      w.mnuRunClick();
    }
    ASSERT_TRUE(finished.wait(60000));
  }
  static long Sci(const TfrmMmlcplEditor& w, unsigned int message, unsigned long wParam = 0, long lParam = 0) {
    return w.edtMain->SendScintilla(message, wParam, lParam);
  }
  /// The text the follower highlights, "" when none.
  static std::string Highlighted(const TfrmMmlcplEditor& w) {
    const std::string text = w.edtMain->text().toStdString();
    std::string marked;
    for (size_t i = 0; i < text.size(); ++i) {
      if (Sci(w, QsciScintillaBase::SCI_INDICATORVALUEAT, static_cast<unsigned long>(w.Follower->Indicator()),
              static_cast<long>(i)) != 0)
        marked += text[i];
    }
    return marked;
  }
};

/// The note-ons (velocity above 0) a recording received, as keys.
std::vector<int> StruckKeys(const std::vector<TRecordedMessage>& messages) {
  std::vector<int> keys;
  for (const TRecordedMessage& m : messages) {
    if (m.Bytes.size() == 3 && (m.Bytes[0] & 0xF0) == 0x90 && m.Bytes[2] != 0) keys.push_back(m.Bytes[1]);
  }
  return keys;
}

TEST_F(MusicViewsTest, PlayFromTheCaretStartsAtItsCommandWithTheStateBuiltBefore) {
  TfrmMmlcplEditor& w = Start();
  //                  0         1         2
  //                  012345678901234567890123
  w.edtMain->setText(Q("t240 l8 @10 c @20 d e f g"));
  w.edtMain->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 20UL);  // on "e"
  Compile(w, true);
  ASSERT_TRUE(w.IsPlaying);
  ASSERT_TRUE(QTest::qWaitFor([&] { return StruckKeys(Recording->Messages()).size() >= 3; }, 20000));
  const std::vector<TRecordedMessage> messages = Recording->Messages();
  EXPECT_EQ((std::vector<int>{64, 65, 67}), StruckKeys(messages));
  // Of the programs chosen before "e", the last was sent, before its note.
  std::vector<int> programs;
  for (const TRecordedMessage& m : messages) {
    if ((m.Bytes[0] & 0xF0) == 0xC0) programs.push_back(m.Bytes[1]);
    if ((m.Bytes[0] & 0xF0) == 0x90) break;
  }
  EXPECT_EQ(std::vector<int>{19}, programs);
  w.mnuStopClick();

  // The plain command plays from the start again.
  Recording->Clear();
  Compile(w);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !StruckKeys(Recording->Messages()).empty(); }, 20000));
  EXPECT_EQ(60, StruckKeys(Recording->Messages()).front());
  w.mnuStopClick();
}

TEST_F(MusicViewsTest, CtrlShiftPPlaysFromTheCaretFromTheEditor) {
  TfrmMmlcplEditor& w = Start();
  w.show();
  QApplication::setActiveWindow(&w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.edtMain->setFocus();
  w.edtMain->setText(Q("t240 l8 c d e f"));
  w.edtMain->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 12UL);  // on "e"
  QSignalSpy finished(&w, &TfrmMmlcplEditor::CompileFinished);
  QTest::keyClick(w.edtMain, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_TRUE(finished.wait(60000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !StruckKeys(Recording->Messages()).empty(); }, 20000));
  EXPECT_EQ(64, StruckKeys(Recording->Messages()).front());
  EXPECT_EQ(Q("t240 l8 c d e f"), w.edtMain->text());  // no key went into the text
  w.mnuStopClick();
}

TEST_F(MusicViewsTest, TheSoundingCommandOfTheCaretsTrackIsHighlightedThroughLoopsAndEdits) {
  TfrmMmlcplEditor& w = Start();
  //                  0         1         2         3
  //                  0123456789012345678901234567890123456
  w.edtMain->setText(Q("%track1 [c4 d4]2 e4 %track2 f1 g1"));
  Compile(w);
  w.mnuStopClick();
  EXPECT_EQ("", Highlighted(w));

  w.edtMain->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 9UL);  // in track 1
  const struct {
    int64_t Tick;
    std::string Text;
  } track1[] = {{0, "c4"}, {60, "d4"}, {100, "c4"}, {150, "d4"}, {200, "e4"}, {240, ""}};
  for (const auto& c : track1) {
    SCOPED_TRACE(c.Tick);
    w.Follower->FollowTick(c.Tick);
    EXPECT_EQ(c.Text, Highlighted(w));
  }
  w.edtMain->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 30UL);  // in track 2
  w.Follower->FollowTick(200);
  EXPECT_EQ("g1", Highlighted(w));

  // Text typed before the commands since the compile moves the highlight along.
  w.edtMain->SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, 0UL, "' new\r\n");
  w.edtMain->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 20UL);  // in track 1 again
  w.Follower->FollowTick(150);
  EXPECT_EQ("d4", Highlighted(w));
  EXPECT_EQ(21u, w.Follower->ToCurrent(14));
  EXPECT_EQ(14u, w.Follower->ToSnapshot(21));
}

TEST_F(MusicViewsTest, ThePianoRollShowsTheCheckedSongAndAClickedNoteLeadsToItsCommand) {
  TfrmMmlcplEditor& w = Start();
  w.show();
  ASSERT_FALSE(w.PianoRoll->isVisible());
  w.PianoRollAction->trigger();
  ASSERT_TRUE(w.PianoRoll->isVisible());
  TPianoRollView* roll = w.PianoRoll->View;

  QSignalSpy shown(w.LiveCheck, &TLiveCheck::CheckShown);
  //                  0         1
  //                  01234567890123456
  w.edtMain->setText(Q("t120 c4 @ch2 e4 g"));
  ASSERT_TRUE(shown.wait(60000));
  ASSERT_NE(nullptr, roll->Song());
  ASSERT_EQ(3u, roll->Song()->Notes.size());
  const TMappedNote& e = roll->Song()->Notes[1];
  EXPECT_EQ(64, e.Key);
  EXPECT_EQ(1, e.Channel);
  EXPECT_NE(TPianoRollView::ChannelColor(0), TPianoRollView::ChannelColor(1));

  const QRect rect = roll->NoteRect(e);
  ASSERT_TRUE(roll->viewport()->rect().contains(rect.center()));
  EXPECT_EQ(&e, roll->NoteAt(rect.center()));
  QTest::mouseClick(roll->viewport(), Qt::LeftButton, {}, rect.center());
  EXPECT_EQ(13, Sci(w, QsciScintillaBase::SCI_GETCURRENTPOS));

  // While a song plays, the play position moves on the roll; a stop takes it away.
  w.edtMain->setText(Q("t60 l1 c d e f"));
  Compile(w);
  EXPECT_TRUE(QTest::qWaitFor([&] { return roll->PlayTick().has_value(); }, 20000));
  w.mnuStopClick();
  EXPECT_FALSE(roll->PlayTick().has_value());
}

}  // namespace
}  // namespace app_test
