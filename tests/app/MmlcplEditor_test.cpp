// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MmlcplEditorU.h"

#include <Qsci/qscilexer.h>
#include <Qsci/qsciscintilla.h>

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

#include "AppTestSupport.h"
#include "app/frmAboutU.h"
#include "app/frmHelpU.h"
#include "app/pelorundFountain.h"
#include "common/IniFile.h"
#include "playback/smf_play.h"

namespace app_test {
namespace {

// "は変更されています。" after the quoted name, CR LF, "保存しますか？"
QString SaveQuestion(const char* name) { return Q("\"") + Q(name) + Q("\"は変更されています。\r\n保存しますか？"); }

QString LineText(const TfrmMmlcplEditor& w, int line) {
  QString text = w.edtMain->text(line);
  while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))) text.chop(1);
  return text;
}

std::pair<int, int> Caret(const TfrmMmlcplEditor& w) {
  int line = 0;
  int index = 0;
  w.edtMain->getCursorPosition(&line, &index);
  return {line, index};
}

TEST_F(EditorTest, StartsWithTheNewDocumentTemplate) {
  TfrmMmlcplEditor& w = Start();
  EXPECT_EQ(w.windowTitle(), Q("untitled.mml - Pelorund"));
  EXPECT_EQ(pelorund::AppTitle(), Q("untitled.mml - Pelorund"));
  EXPECT_FALSE(w.DocModified);
  EXPECT_EQ(w.edtMain->lines(), 124);
  EXPECT_EQ(w.DocumentLines().size(), 124u);
  EXPECT_EQ(Caret(w), std::make_pair(0, 0));
  EXPECT_EQ(w.StatusPanels[0]->text(), Q("    1 行:   1 桁"));
  EXPECT_EQ(w.StatusPanels[2]->text(), Q("挿入"));

  const QString rule = Q("'") + QString(78, QLatin1Char('='));
  const QString thinRule = Q("'") + QString(78, QLatin1Char('-'));
  struct {
    int line;  // from 1
    QString text;
  } lines[] = {
      {1, rule},
      {2, Q("' ")},
      {3, rule},
      {4, Q("%track0")},
      {5, Q("`GMSYSTEMON")},
      {6, Q("r1")},
      {7, Q("%sync")},
      {8, Q("$mute01={@mute};  $mute02={@mute};  $mute03={@mute};  $mute04={@mute};  ")},
      {11, Q("$mute13={@mute};  $mute14={@mute};  $mute15={@mute};  $mute16={@mute};  ")},
      {12, Q("")},
      {13, Q("")},
      {14, thinRule},
      {15, Q("' ")},
      {16, thinRule},
      {17, Q("%track1  $mute01")},
      {18, Q("@y2 p64 v127 x100 k64 y0 m0 u127 o4 l16 q0 ")},
      {19, Q("")},
      {122, Q("%track16  $mute16")},
      {123, Q("@y2 p64 v127 x100 k64 y0 m0 u127 o4 l16 q0 ")},
      {124, Q("")},
  };
  for (const auto& l : lines) {
    SCOPED_TRACE(l.line);
    EXPECT_EQ(LineText(w, l.line - 1), l.text);
  }
}

TEST_F(EditorTest, NewAsksOnlyAboutAModifiedDocument) {
  TfrmMmlcplEditor& w = Start();
  w.mnuNewClick();  // not modified: no question
  EXPECT_TRUE(Prompts.Questions.empty());

  w.edtMain->insert(Q("xyz"));
  EXPECT_TRUE(w.DocModified);
  Prompts.Answers = {QMessageBox::Cancel};
  w.mnuNewClick();
  ASSERT_EQ(Prompts.Questions.size(), 1u);
  EXPECT_EQ(Prompts.Questions[0].Caption, Q("untitled.mml - Pelorund"));
  EXPECT_EQ(Prompts.Questions[0].Text, SaveQuestion("untitled.mml"));
  EXPECT_TRUE(LineText(w, 0).startsWith(Q("xyz")));
  EXPECT_TRUE(w.DocModified);

  Prompts.Answers = {QMessageBox::No};
  w.mnuNewClick();
  EXPECT_EQ(LineText(w, 0), Q("'") + QString(78, QLatin1Char('=')));
  EXPECT_FALSE(w.DocModified);

  // Yes on an untitled document asks for a name; cancelling that keeps the edits.
  w.edtMain->insert(Q("keep"));
  Prompts.Answers = {QMessageBox::Yes};
  Prompts.FileNames = {QString()};
  w.mnuNewClick();
  EXPECT_TRUE(LineText(w, 0).startsWith(Q("keep")));
  EXPECT_TRUE(w.DocModified);
}

TEST_F(EditorTest, SaveOfAnUntitledDocumentAsksForAName) {
  TfrmMmlcplEditor& w = Start();
  w.edtMain->setText(Q("%track1\r\n'あ c"));
  ASSERT_TRUE(w.DocModified);

  Prompts.FileNames = {QString()};
  EXPECT_FALSE(w.mnuSaveClick());
  EXPECT_EQ(w.DocName, Q("untitled.mml"));
  EXPECT_TRUE(w.DocModified);
  ASSERT_EQ(Prompts.Filters.size(), 1u);
  EXPECT_TRUE(Prompts.Filters[0].startsWith(Q("ソースファイル(*.mml)")));

  fs::create_directories(Root / "work" / "sub");
  Prompts.FileNames = {QString::fromStdString((Root / "work" / "sub" / "song.mml").string())};
  EXPECT_TRUE(w.mnuSaveClick());
  EXPECT_EQ(w.DocName, Q("song.mml"));
  EXPECT_EQ(w.windowTitle(), Q("song.mml - Pelorund"));
  EXPECT_FALSE(w.DocModified);
  EXPECT_EQ(w.StatusPanels[1]->text(), QString());
  EXPECT_EQ(ReadFile(Root / "work" / "sub" / "song.mml"), Cp932("%track1\r\n'あ c\r\n"));
  // The document is held by its bare name in the directory of the file chosen last.
  EXPECT_EQ(fs::current_path(), Root / "work" / "sub");

  // A named document is saved without a dialog.
  w.edtMain->append(Q("\r\nd"));
  EXPECT_TRUE(w.mnuSaveClick());
  EXPECT_EQ(ReadFile(Root / "work" / "sub" / "song.mml"), Cp932("%track1\r\n'あ c\r\nd\r\n"));
}

TEST_F(EditorTest, SaveRefusesCharactersWithoutShiftJisForm) {
  TfrmMmlcplEditor& w = Start();
  WriteFile("song.mml", "old\r\n");
  w.LoadDocument(Q("song.mml"));
  w.edtMain->setText(Q("c d\r\ne \U0001F3B5 f"));
  EXPECT_FALSE(w.mnuSaveClick());
  ASSERT_EQ(Prompts.Errors.size(), 1u);
  EXPECT_EQ(Prompts.Errors[0], Q("シフトJISで表せない文字があります: 2 行 3 桁"));
  EXPECT_TRUE(w.DocModified);
  EXPECT_EQ(ReadFile(Root / "work" / "song.mml"), "old\r\n");
}

TEST_F(EditorTest, DocumentFilesEndAtControlZAndAreSavedWithCrLf) {
  WriteFile("song.mml", "a\r\nb\rc\nd\x1aignored\r\n");
  TfrmMmlcplEditor& w = Start({Q("song.mml")});
  EXPECT_EQ(w.edtMain->lines(), 4);
  EXPECT_EQ(LineText(w, 3), Q("d"));
  w.edtMain->insert(Q("x"));
  EXPECT_TRUE(w.mnuSaveClick());
  EXPECT_EQ(ReadFile(Root / "work" / "song.mml"), "xa\r\nb\r\nc\r\nd\r\n");
}

TEST_F(EditorTest, CloseQuestionCancelKeepsTheWindow) {
  TfrmMmlcplEditor& w = Start();
  w.show();
  w.edtMain->insert(Q("c"));

  Prompts.Answers = {QMessageBox::Cancel};
  EXPECT_FALSE(w.close());
  ASSERT_EQ(Prompts.Questions.size(), 1u);
  EXPECT_EQ(Prompts.Questions[0].Caption, Q("Pelorund 終了処理"));
  EXPECT_EQ(Prompts.Questions[0].Text, Q("\"untitled.mml\"は、変更されています。\r\n保存しますか？"));
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(LineText(w, 0).startsWith(Q("c")));
  ASSERT_NE(w.Player, nullptr);
  EXPECT_TRUE(w.Player->MidiOut.IsOpen(w.Player->MidiOut.CurrentPort));

  // Yes with the save dialog cancelled saves nothing, so the window stays too.
  Prompts.Answers = {QMessageBox::Yes};
  Prompts.FileNames = {QString()};
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());

  Prompts.Answers = {QMessageBox::No};
  EXPECT_TRUE(w.close());
  EXPECT_EQ(w.Player, nullptr);
}

TEST_F(EditorTest, FirstStartWritesTheSettingsFile) {
  const fs::path ini = Root / "app" / "pelorund.ini";
  ASSERT_FALSE(fs::exists(ini));
  TfrmMmlcplEditor& w = Start();
  const pelorund::TIniFile settings(ini);
  struct {
    const char* key;
    std::string value;
  } keys[] = {
      {"Top", "98"},
      {"Left", "451"},
      {"Height", "546"},
      {"Width", "707"},
      {"Font_FontName", Cp932("ＭＳ ゴシック")},
      {"Font_FontSize", "11"},
      {"Font_FontColor", "clNone"},
      {"Font_FontStyle", "0"},
      {"Font_FontCharset", "128"},
  };
  for (const auto& k : keys) {
    SCOPED_TRACE(k.key);
    EXPECT_EQ(settings.ReadString("MainForm", k.key, "<missing>"), k.value);
  }
  EXPECT_EQ(w.width(), 707);
  EXPECT_EQ(w.height(), 546);
}

TEST_F(EditorTest, SettingsFileValues) {
  struct {
    const char* name;
    std::string file;
    editor_settings::TWindowGeometry geometry;
    int fontSize;
    int width;  // the window's: however small the stored size, the window stays usable
    int height;
  } cases[] = {
      {"all keys", "[MainForm]\r\nTop=10\r\nLeft=20\r\nHeight=500\r\nWidth=600\r\nFont_FontSize=14\r\n",
       {10, 20, 500, 600}, 14, 600, 500},
      {"width that is no number", "[MainForm]\r\nTop=1\r\nLeft=2\r\nHeight=400\r\nWidth=abc\r\n",
       {1, 2, 400, 0}, 11, 320, 400},
      {"missing keys", "[MainForm]\r\nFont_FontSize=x\r\n", {0, 640, 3, 4}, 11, 320, 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    pelorund::WriteFileAtomic(Root / "app" / "pelorund.ini", c.file);
    TfrmMmlcplEditor& w = Start();
    EXPECT_EQ(w.SettingsGeometry.Top, c.geometry.Top);
    EXPECT_EQ(w.SettingsGeometry.Left, c.geometry.Left);
    EXPECT_EQ(w.SettingsGeometry.Height, c.geometry.Height);
    EXPECT_EQ(w.SettingsGeometry.Width, c.geometry.Width);
    EXPECT_EQ(w.edtMain->lexer()->font(0).pointSize(), c.fontSize);
    EXPECT_EQ(w.width(), c.width);
    EXPECT_EQ(w.height(), c.height);
  }
}

TEST_F(EditorTest, FontColourFromTheSettingsFile) {
  struct {
    const char* value;
    QColor color;
  } cases[] = {
      {"clNavy", QColor(0, 0, 128)},
      {"$000000FF", QColor(255, 0, 0)},  // blue, green, red from the high byte down
      {"$00FF8000", QColor(0, 128, 255)},
      {"clNone", QColor(0, 0, 0)},
      {"bogus", QColor(0, 0, 0)},  // unreadable: the current colour stays
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    pelorund::WriteFileAtomic(Root / "app" / "pelorund.ini",
                              std::string("[MainForm]\r\nFont_FontColor=") + c.value + "\r\n");
    TfrmMmlcplEditor& w = Start();
    EXPECT_EQ(w.PelorundFountain1->color(TPelorundFountain::Default), c.color);
    EXPECT_EQ(w.PelorundFountain1->color(TPelorundFountain::Ank), QColor(128, 0, 0));
  }
}

TEST_F(EditorTest, UnwritableSettingsFileDoesNotStopTheProgram) {
  TEditorEnvironment env = Environment();
  env.SettingsFile = Root / "app" / "no-such-dir" / "pelorund.ini";
  TfrmMmlcplEditor w({}, env);
  EXPECT_TRUE(Prompts.Errors.empty());
  EXPECT_EQ(w.edtMain->lines(), 124);
  EXPECT_EQ(w.SettingsGeometry.Width, 4);  // nothing could be written, so the defaults were read
  EXPECT_EQ(w.width(), 320);
}

TEST_F(EditorTest, CommandLineNamesTheDocument) {
  WriteFile("song.mml", Cp932("%track1 c あ\r\n"));
  TfrmMmlcplEditor& w = Start({Q("/x"), Q("-y"), Q("song.mml"), Q("other.mml")});
  EXPECT_EQ(w.windowTitle(), Q("song.mml - Pelorund"));
  EXPECT_EQ(w.edtMain->lines(), 1);
  EXPECT_EQ(LineText(w, 0), Q("%track1 c あ"));
  EXPECT_FALSE(w.DocModified);
  EXPECT_TRUE(Prompts.Errors.empty());
}

TEST_F(EditorTest, CommandLineFileInAnotherDirectory) {
  fs::create_directories(Root / "work" / "songs");
  pelorund::WriteFileAtomic(Root / "work" / "songs" / "tune.mml", "c d e\r\n");
  TfrmMmlcplEditor& w = Start({Q("songs/tune.mml")});
  EXPECT_EQ(w.DocName, Q("tune.mml"));
  EXPECT_EQ(LineText(w, 0), Q("c d e"));
  // Saving writes the file that was read, not one of that name in the start directory.
  w.edtMain->insert(Q("r "));
  EXPECT_TRUE(w.mnuSaveClick());
  EXPECT_EQ(ReadFile(Root / "work" / "songs" / "tune.mml"), "r c d e\r\n");
  EXPECT_FALSE(fs::exists(Root / "work" / "tune.mml"));
}

TEST_F(EditorTest, UnreadableCommandLineFileStillStartsTheWindow) {
  TfrmMmlcplEditor& w = Start({Q("missing.mml")});
  ASSERT_EQ(Prompts.Errors.size(), 1u);
  EXPECT_TRUE(Prompts.Errors[0].startsWith(Q("ファイルを読み込めません: ")));
  EXPECT_EQ(w.DocName, Q("untitled.mml"));
  EXPECT_EQ(w.edtMain->lines(), 124);
  EXPECT_NE(w.Player, nullptr);
  EXPECT_EQ(w.cmbDevice->count(), 2);
}

TEST_F(EditorTest, TrackJumpWalksTheTracks) {
  TfrmMmlcplEditor& w = Start();
  struct {
    int set;
    int value;
    int line;  // 0-based; the caret stands behind the "%"
  } cases[] = {
      {0, 0, 3},       // %track0
      {-1, -1, 16},    // %track1
      {-16, -16, 121}, // %track16
      {-17, -16, 121}, // no further track: stays on the last
      {1, 0, 3},       // nothing before the first
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    w.SpinEdit1->setValue(c.set);
    w.SpinEdit1Change();  // also when the value did not change
    EXPECT_EQ(w.SpinEdit1->value(), c.value);
    EXPECT_EQ(Caret(w), std::make_pair(c.line, 1));
  }
}

TEST_F(EditorTest, TrackJumpCountsBytesOfShiftJis) {
  TfrmMmlcplEditor& w = Start();
  w.edtMain->setText(Q("'あいう\r\nあ%Track1 c\r\n\tｱ%TRACK2"));
  w.SpinEdit1->setValue(-1);
  EXPECT_EQ(Caret(w), std::make_pair(2, 3));  // tab, ｱ, %
  w.SpinEdit1->setValue(0);
  EXPECT_EQ(Caret(w), std::make_pair(1, 2));  // あ, %

  w.edtMain->setText(Q("c d e"));
  w.SpinEdit1->setValue(-3);
  EXPECT_EQ(w.SpinEdit1->value(), 0);
  EXPECT_EQ(Caret(w), std::make_pair(0, 0));
}

TEST_F(EditorTest, StatusBarShowsCaretModifiedAndInsertMode) {
  TfrmMmlcplEditor& w = Start();
  w.show();
  w.edtMain->setText(Q("c\r\n\tあa"));
  w.edtMain->setCursorPosition(1, 3);
  QCoreApplication::processEvents();  // the control reports caret moves when it updates its view
  // One byte for the tab, two for the double-byte character, one for the letter.
  EXPECT_EQ(w.StatusPanels[0]->text(), Q("    2 行:   5 桁"));
  EXPECT_EQ(w.StatusPanels[1]->text(), Q("変更"));
  w.N4Click();
  EXPECT_EQ(w.StatusPanels[2]->text(), Q("上書"));
  EXPECT_TRUE(w.edtMain->overwriteMode());
  w.N4Click();
  EXPECT_EQ(w.StatusPanels[2]->text(), Q("挿入"));
  w.ShowStatus(Q("a\r\nb\r\nc"));
  EXPECT_EQ(w.StatusPanels[3]->text(), Q("a b c"));
}

TEST_F(EditorTest, DeviceListAndDeviceChoice) {
  TfrmMmlcplEditor& w = Start();
  ASSERT_EQ(w.cmbDevice->count(), 2);
  EXPECT_EQ(w.cmbDevice->itemText(0), Q("既定のMIDIデバイス"));
  EXPECT_EQ(w.cmbDevice->itemText(1), Q("Recorder"));
  EXPECT_EQ(w.cmbDevice->currentIndex(), 0);
  w.cmbDevice->setCurrentIndex(1);
  EXPECT_EQ(Recording->OpenedDevices(), (std::vector<int>{-1, 0}));
}

TEST_F(EditorTest, DefaultDeviceThatCannotOpenEndsStartUp) {
  Recording->FailOpen = true;
  TfrmMmlcplEditor& w = Start();
  ASSERT_EQ(Prompts.Errors.size(), 1u);
  EXPECT_EQ(Prompts.Errors[0], Q("MIDIポートが開けません。"));
  EXPECT_EQ(w.edtMain->text(), QString());
  EXPECT_EQ(w.windowTitle(), Q("untitled.mml - Pelorund"));
}

// A format 0 file at 96 ticks per quarter: tempo 120, volume 100, expression 80, a C4 at
// velocity 100 bent up after an eighth, then a C5 at velocity 80.
std::string ImportSmf() {
  const std::string events(
      "\x00\xFF\x51\x03\x07\xA1\x20"
      "\x00\xB0\x07\x64\x00\xB0\x0B\x50"
      "\x00\x90\x3C\x64\x30\xE0\x00\x50\x30\x80\x3C\x00"
      "\x00\x90\x48\x50\x60\x80\x48\x00"
      "\x00\xFF\x2F\x00",
      39);
  const std::string header("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 14);
  return header + "MTrk" + std::string("\x00\x00\x00", 3) + static_cast<char>(events.size()) + events;
}

TEST_F(EditorTest, ImportFollowsTheFourOptionMarks) {
  WriteFile("imp.mid", ImportSmf());
  struct {
    const char* name;
    bool bend, mix, velocity, octave;
    std::vector<const char*> present;
    std::vector<const char*> absent;
  } cases[] = {
      {"no mark", false, false, false, false, {"x-20", "u-27", ">c"}, {"y+2048", "%octrev", "c4,4,100"}},
      {"Y commands", true, false, false, false, {"y+2048"}, {}},
      {"XV combined", false, true, false, false, {"v-22", "v-16"}, {"x-20"}},
      {"direct velocity", false, false, true, false, {"c4,4,100"}, {"u-27"}},
      {"octave signs reversed", false, false, false, true, {"%octrev", "<c"}, {">c"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TfrmMmlcplEditor& w = Start();
    EXPECT_FALSE(w.smfBendOn->isChecked() || w.smfVolMix->isChecked() || w.NoteVelo->isChecked() ||
                 w.OctaveRev->isChecked());
    w.smfBendOn->setChecked(c.bend);
    w.smfVolMix->setChecked(c.mix);
    w.NoteVelo->setChecked(c.velocity);
    w.OctaveRev->setChecked(c.octave);
    Prompts.FileNames = {QString::fromStdString((Root / "work" / "imp.mid").string())};
    w.SMF1Click();
    ASSERT_TRUE(Prompts.Errors.empty());
    EXPECT_TRUE(Prompts.Filters.back().startsWith(Q("スタンダードMIDIファイル(*.mid)")));
    const QString text = w.edtMain->text();
    EXPECT_TRUE(text.contains(Q("\r\n%track1  $mute01\r\n")));
    for (const char* piece : c.present) EXPECT_TRUE(text.contains(Q(piece))) << piece;
    for (const char* piece : c.absent) EXPECT_FALSE(text.contains(Q(piece))) << piece;
    EXPECT_EQ(w.windowTitle(), Q("untitled.mml - Pelorund"));
    EXPECT_FALSE(w.DocModified);
    EXPECT_EQ(Caret(w), std::make_pair(0, 0));
  }
}

TEST_F(EditorTest, ImportCancelledLeavesAnUntitledDocument) {
  WriteFile("song.mml", "c d e\r\n");
  TfrmMmlcplEditor& w = Start({Q("song.mml")});
  w.edtMain->insert(Q("r "));
  Prompts.Answers = {QMessageBox::No};
  Prompts.FileNames = {QString()};
  w.SMF1Click();
  ASSERT_EQ(Prompts.Questions.size(), 1u);
  EXPECT_EQ(Prompts.Questions[0].Caption, Q("ファイルを開く"));
  EXPECT_EQ(Prompts.Questions[0].Text, SaveQuestion("song.mml"));
  EXPECT_EQ(LineText(w, 0), Q("r c d e"));
  EXPECT_EQ(w.windowTitle(), Q("untitled.mml - Pelorund"));
  EXPECT_FALSE(w.DocModified);
}

TEST_F(EditorTest, ImportOfAFileThatIsNoSmfKeepsTheText) {
  WriteFile("bad.mid", "not a MIDI file");
  TfrmMmlcplEditor& w = Start();
  Prompts.FileNames = {QString::fromStdString((Root / "work" / "bad.mid").string())};
  w.SMF1Click();
  ASSERT_EQ(Prompts.Errors.size(), 1u);
  EXPECT_TRUE(Prompts.Errors[0].contains(Q("MThd")));
  EXPECT_EQ(w.edtMain->lines(), 124);
}

TEST_F(EditorTest, VersionWindowAndHelp) {
  pelorund::WriteFileAtomic(Root / "app" / "manual.md",
                            "# Manual\n\nSee [notes](#2-notes-and-rests).\n\n## 2 Notes and rests\n\n"
                            "The `c` command plays a note.\n");
  TfrmMmlcplEditor& w = Start();
  w.mnuAboutClick();
  EXPECT_TRUE(w.frmAbout->isVisible());
  EXPECT_EQ(w.frmAbout->windowTitle(), Q("バージョン情報"));
  QTest::mouseClick(w.frmAbout->lblLink, Qt::LeftButton);
  EXPECT_EQ(Prompts.Opened, QStringList{w.frmAbout->lblLink->text()});

  w.mnuHelpIndexClick();
  EXPECT_TRUE(w.frmHelp->isVisible());
  EXPECT_TRUE(w.frmHelp->Browser->toPlainText().contains(Q("plays a note")));
  EXPECT_TRUE(w.frmHelp->ShowHeading(Q("2-notes-and-rests")));
  EXPECT_EQ(w.frmHelp->Browser->textCursor().block().text(), Q("2 Notes and rests"));
  EXPECT_FALSE(w.frmHelp->ShowHeading(Q("no-such-heading")));
}

}  // namespace
}  // namespace app_test
