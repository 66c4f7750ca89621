// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WavExportU.h"

#include <Qsci/qsciscintilla.h>

#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>

#include "AppTestSupport.h"

namespace app_test {
namespace {

class WavExportTest : public EditorTest {
 protected:
  /// Runs "WAV書き出し" into work/`name`; the spy sees its end.
  void Export(TfrmMmlcplEditor& w, const char* name) {
    Prompts.FileNames = {QString::fromStdString((Root / "work" / name).string())};
    w.mnuWavExportClick();
  }
  static QString Status(const TfrmMmlcplEditor& w) { return w.StatusPanels[3]->text(); }
};

TEST_F(WavExportTest, WritesTheSongAsAWavFile) {
  TfrmMmlcplEditor& w = Start();
  w.edtMain->setText(Q("t240 l8 c e g"));
  QSignalSpy finished(w.WavExport, &TWavExport::Finished);
  Export(w, "song.wav");
  ASSERT_TRUE(w.WavExport->Running());
  ASSERT_NE(nullptr, w.WavExport->Dialog());
  ASSERT_TRUE(finished.wait(120000));
  EXPECT_TRUE(finished.front()[0].toBool());
  EXPECT_EQ(nullptr, w.WavExport->Dialog());
  EXPECT_EQ("RIFF", ReadFile(Root / "work" / "song.wav").substr(0, 4));
  EXPECT_TRUE(Status(w).startsWith(Q("WAV書き出し終了: "))) << Status(w).toStdString();
  EXPECT_TRUE(Prompts.Errors.empty());
}

TEST_F(WavExportTest, CancelStopsTheRenderAndLeavesTheFileAsItWas) {
  TfrmMmlcplEditor& w = Start();
  std::string song = "t30 l1";
  for (int i = 0; i < 400; ++i) song += " c";  // nearly an hour of music
  w.edtMain->setText(Q(song.c_str()));
  WriteFile("long.wav", "older");
  QSignalSpy finished(w.WavExport, &TWavExport::Finished);
  Export(w, "long.wav");
  ASSERT_NE(nullptr, w.WavExport->Dialog());
  QPushButton* cancel = w.WavExport->Dialog()->findChild<QPushButton*>();
  ASSERT_NE(nullptr, cancel);
  EXPECT_EQ(Q("中止"), cancel->text());
  cancel->click();
  ASSERT_TRUE(finished.wait(120000));
  EXPECT_FALSE(finished.front()[0].toBool());
  EXPECT_TRUE(finished.front()[1].toBool());
  EXPECT_EQ("older", ReadFile(Root / "work" / "long.wav"));
  EXPECT_EQ(1, std::distance(fs::directory_iterator(Root / "work"), fs::directory_iterator()));  // no temporary left
  EXPECT_EQ(Q("WAV書き出しを中止しました"), Status(w));
  EXPECT_TRUE(Prompts.Errors.empty());
}

TEST_F(WavExportTest, ACompileErrorIsShownAndNothingIsWritten) {
  TfrmMmlcplEditor& w = Start();
  w.edtMain->setText(Q("c d %bogus"));
  QSignalSpy finished(w.WavExport, &TWavExport::Finished);
  Export(w, "bad.wav");
  ASSERT_TRUE(finished.wait(120000));
  ASSERT_EQ(1u, Prompts.Errors.size());
  EXPECT_EQ(Q("停止:[Y1,X10]: ｢%bogus｣ : 未定義のコマンド又は文法エラーです."), Prompts.Errors.front());
  EXPECT_FALSE(fs::exists(Root / "work" / "bad.wav"));
}

}  // namespace
}  // namespace app_test
