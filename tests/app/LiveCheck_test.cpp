// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LiveCheckU.h"

#include <Qsci/qsciscintilla.h>

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "AppTestSupport.h"

namespace app_test {
namespace {

class LiveCheckTest : public EditorTest {
 protected:
  /// Starts the window with `text` and waits until its check is shown.
  TfrmMmlcplEditor& StartWith(const char* text) {
    TfrmMmlcplEditor& w = Start();
    w.show();
    Type(w, text);
    return w;
  }
  /// Replaces the text and waits for the check that follows the pause.
  static void Type(TfrmMmlcplEditor& w, const char* text) {
    QSignalSpy shown(w.LiveCheck, &TLiveCheck::CheckShown);
    w.edtMain->setText(Q(text));
    ASSERT_TRUE(shown.wait(60000));
  }
  static long Sci(const TfrmMmlcplEditor& w, unsigned int message, unsigned long wParam = 0, long lParam = 0) {
    return w.edtMain->SendScintilla(message, wParam, lParam);
  }
  /// Whether the error's wavy line lies under the byte at `position`.
  static bool Underlined(const TfrmMmlcplEditor& w, long position) {
    return Sci(w, QsciScintillaBase::SCI_INDICATORVALUEAT, static_cast<unsigned long>(w.LiveCheck->ErrorIndicator()),
               position) != 0;
  }
  static QPoint PointOf(const TfrmMmlcplEditor& w, long position) {
    return {static_cast<int>(Sci(w, QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, position)) + 2,
            static_cast<int>(Sci(w, QsciScintillaBase::SCI_POINTYFROMPOSITION, 0, position)) + 4};
  }
  static QString Status(const TfrmMmlcplEditor& w) { return w.LiveCheck->StatusLabel()->text(); }
};

TEST_F(LiveCheckTest, TheFirstErrorIsUnderlinedAndTellsItsMessage) {
  TfrmMmlcplEditor& w = StartWith("c d\r\nc あ %bogus e");
  const long start = static_cast<long>(std::string("c d\r\nc あ ").size());
  for (long position = 0; position < start; ++position) EXPECT_FALSE(Underlined(w, position)) << position;
  for (long position = start; position < start + 6; ++position) EXPECT_TRUE(Underlined(w, position)) << position;
  EXPECT_FALSE(Underlined(w, start + 6));
  EXPECT_EQ(Q("停止:[Y2,X10]: ｢%bogus｣ : 未定義のコマンド又は文法エラーです."), w.LiveCheck->TipAt(PointOf(w, start + 2)));
  EXPECT_EQ(QString(), w.LiveCheck->TipAt(PointOf(w, 0)));
  EXPECT_EQ(Q("エラー: 2 行 5 桁"), Status(w));
  // Nothing was written for the check.
  EXPECT_FALSE(fs::exists(Root / "app" / "CompileLog.txt"));
  EXPECT_FALSE(fs::exists(Root / "app" / "pelorund.bak"));

  // Mended, the line goes and the length shows.
  Type(w, "t120 l1 c c c4");
  for (long position = 0; position < 14; ++position) EXPECT_FALSE(Underlined(w, position));
  EXPECT_EQ(Q("2小節 1拍  0:04"), Status(w));
}

TEST_F(LiveCheckTest, WarningsAreMarkedInTheMarginWithTheirLogLines) {
  TfrmMmlcplEditor& w = StartWith("@ch20 c\r\nd e\r\nn200,4 f");
  const int marker = w.LiveCheck->WarningMarker();
  EXPECT_NE(0, w.edtMain->markersAtLine(0) & (1 << marker));
  EXPECT_EQ(0, w.edtMain->markersAtLine(1) & (1 << marker));
  EXPECT_NE(0, w.edtMain->markersAtLine(2) & (1 << marker));
  const QPoint margin(3, PointOf(w, Sci(w, QsciScintillaBase::SCI_POSITIONFROMLINE, 2)).y());
  // The note looked past the blank for a tie, so the log names the column of "f".
  EXPECT_EQ(Q("注意:[Y3,X7]: ｢n｣ : 値が書き換えられました.  200  ->  127"), w.LiveCheck->TipAt(margin));
  EXPECT_TRUE(Status(w).endsWith(Q("注意 2件"))) << Status(w).toStdString();
}

TEST_F(LiveCheckTest, TextCodePage932CannotHoldIsMarkedByRowAndColumn) {
  TfrmMmlcplEditor& w = StartWith("c d\r\ne 😀 f");
  const long emoji = static_cast<long>(std::string("c d\r\ne ").size());
  EXPECT_TRUE(Underlined(w, emoji));
  EXPECT_FALSE(Underlined(w, emoji + 4));
  EXPECT_EQ(Q("シフトJISで表せない文字があります: 2 行 3 桁"), Status(w));
}

TEST_F(LiveCheckTest, AnEditCancelsTheCheckThatRunsAndOnlyTheLatestTextIsShown) {
  TfrmMmlcplEditor& w = Start();
  w.show();
  QSignalSpy shown(w.LiveCheck, &TLiveCheck::CheckShown);
  // Some fifty million commands: a check of this keeps its thread busy for many seconds.
  w.edtMain->setText(Q("[c64 r64 [r64]1000]10000"));
  w.LiveCheck->CheckNow();
  w.edtMain->setText(Q("c d %bogus"));  // the edit cancels it; the pause starts again
  ASSERT_TRUE(shown.wait(60000));
  QTest::qWait(100);
  EXPECT_EQ(1, shown.count());
  ASSERT_NE(nullptr, w.LiveCheck->Shown());
  EXPECT_EQ(TCheckState::Error, w.LiveCheck->Shown()->State);
  EXPECT_TRUE(Underlined(w, 4));
}

}  // namespace
}  // namespace app_test
