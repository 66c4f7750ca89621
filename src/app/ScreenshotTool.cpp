// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// pelorund-screenshots SONG.mml OUTDIR: drives the editor's windows the way a user would (open
// a song, compile and play it, show the compile log and the version window) and saves each
// window as Qt renders it on the display, for scripts/screenshot.sh. Playback goes to a recording
// device, so no sound hardware is needed.
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/LiveCheckU.h"
#include "app/MmlcplEditorU.h"
#include "app/PianoRollU.h"
#include "app/WavExportU.h"
#include "app/frmAboutU.h"
#include "app/frmChord2U.h"
#include "app/frmChordU.h"
#include "app/frmFindU.h"
#include "app/frmHelpU.h"
#include "app/frmProgramChangeU.h"
#include "app/frmReplaceU.h"
#include "app/frmWarningU.h"
#include "playback/recording_backend.h"

namespace fs = std::filesystem;

namespace {

void Pause(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool Save(QWidget* window, const QString& file) {
  Pause(300);
  const bool ok = window->grab().save(file);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", file.toUtf8().constData());
  return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: pelorund-screenshots SONG.mml OUTDIR\n");
    return 2;
  }
  const fs::path song = fs::absolute(argv[1]);
  const QString outDir = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(outDir);

  // A private program directory, so the shots neither read nor change the user's settings.
  const fs::path appDir = fs::temp_directory_path() / "pelorund-screenshots";
  fs::remove_all(appDir);
  fs::create_directories(appDir);
  TEditorEnvironment env = TEditorEnvironment::ForProgram();
  env.AppDir = appDir;
  env.SettingsFile = appDir / "pelorund.ini";
  env.MidiFactory = RecordingFactory(std::make_shared<TMidiRecording>());
  // The tool lives in tools/ beside bin/, the program directory with the vocabulary files.
  const fs::path programDir = fs::path(QCoreApplication::applicationDirPath().toStdString()) / ".." / "bin";
  env.ChordIni = programDir / "chord.ini";
  env.ProgressionIni = programDir / "progression.ini";
  env.ControlsIni = programDir / "controls.ini";
  env.ManualFile = programDir / "manual.md";
  // The song is opened from a copy, so its compiled file does not land beside the original.
  fs::copy_file(song, appDir / song.filename());
  fs::current_path(appDir);

  TfrmMmlcplEditor window({QString::fromStdString(song.filename().string())}, env);
  window.show();
  Pause(800);
  bool ok = Save(&window, outDir + QStringLiteral("/editor.png"));

  // A line that forces a value into range gives the compile log something to show.
  window.edtMain->append(QStringLiteral("\r\n%TRACK3 @ch20 o4 l1 r"));
  QEventLoop compiled;
  QObject::connect(&window, &TfrmMmlcplEditor::CompileFinished, &compiled, &QEventLoop::quit);
  window.mnuRunClick();
  if (window.Compiling()) compiled.exec();
  Pause(1000);  // the track bar moves on
  ok = Save(&window, outDir + QStringLiteral("/editor-playing.png")) && ok;
  ok = Save(window.frmWarning, outDir + QStringLiteral("/compile-log.png")) && ok;
  window.mnuStopClick();
  window.frmWarning->close();

  window.mnuAboutClick();
  ok = Save(window.frmAbout, outDir + QStringLiteral("/version.png")) && ok;
  window.frmAbout->close();

  window.mnuHelpIndexClick();
  ok = Save(window.frmHelp, outDir + QStringLiteral("/help.png")) && ok;
  window.frmHelp->close();

  // The tool windows as a user fills them in.
  window.mnuFindClick();
  window.frmFind->edtKey->setText(QStringLiteral("%track"));
  ok = Save(window.frmFind, outDir + QStringLiteral("/find.png")) && ok;
  window.mnuReplaceClick();
  window.frmReplace->edtKey->setText(QStringLiteral("v100"));
  window.frmReplace->edtReplace->setText(QStringLiteral("v90"));
  ok = Save(window.frmReplace, outDir + QStringLiteral("/replace.png")) && ok;
  window.frmReplace->close();

  window.N15Click();
  window.frmChord->RootKey->Button(2)->click();
  window.frmChord->cmbFlag->Button(1)->click();
  ok = Save(window.frmChord, outDir + QStringLiteral("/chord-progression.png")) && ok;
  window.frmChord->btnOKClick();
  window.frmChord->close();

  window.aaaClick();
  window.frmChord2->RootKey->Button(2)->click();
  window.frmChord2->Grid->SetRow(10);
  ok = Save(window.frmChord2, outDir + QStringLiteral("/chord.png")) && ok;
  window.frmChord2->close();

  window.N12Click();
  ok = Save(window.frmProgramChange, outDir + QStringLiteral("/controls.png")) && ok;
  window.frmProgramChange->close();
  ok = Save(&window, outDir + QStringLiteral("/editor-progression.png")) && ok;

  // The check as you type: a value forced into range (a mark in the margin) and an unknown word
  // (a red wavy line); the status bar tells the error's place and the encoding.
  window.LoadDocument(QString::fromStdString(song.filename().string()));
  window.resize(960, 720);
  Pause(300);
  QEventLoop checked;
  QObject::connect(window.LiveCheck, &TLiveCheck::CheckShown, &checked, &QEventLoop::quit);
  window.edtMain->insertAt(QStringLiteral("n200,8 "), 6, 0);
  window.edtMain->insertAt(QStringLiteral("%bogus "), 7, 18);
  checked.exec();
  ok = Save(&window, outDir + QStringLiteral("/live-check.png")) && ok;

  // The piano roll while the song plays, the melody's sounding note highlighted in the text.
  window.LoadDocument(QString::fromStdString(song.filename().string()));
  checked.exec();
  window.PianoRollAction->trigger();
  window.resizeDocks({window.PianoRoll}, {250}, Qt::Vertical);
  window.edtMain->setCursorPosition(5, 0);
  window.mnuRunClick();
  if (window.Compiling()) compiled.exec();
  Pause(2300);
  ok = Save(&window, outDir + QStringLiteral("/piano-roll.png")) && ok;
  window.mnuStopClick();
  window.frmWarning->close();

  // "WAV書き出し" of a long song: its progress dialog, then cancelled.
  std::string longSong = "t30 l1";
  for (int i = 0; i < 400; ++i) longSong += " c";
  QEventLoop exported;
  QObject::connect(window.WavExport, &TWavExport::Finished, &exported, &QEventLoop::quit);
  window.WavExport->Start(longSong, env.ChordIni, appDir / "long.wav");
  Pause(700);
  if (window.WavExport->Dialog() != nullptr) {
    ok = Save(window.WavExport->Dialog(), outDir + QStringLiteral("/wav-export.png")) && ok;
  }
  window.WavExport->Cancel();
  if (window.WavExport->Running()) exported.exec();

  window.edtMain->setModified(false);
  window.DocModified = false;  // leave without the save question
  window.close();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(appDir);
  return ok ? 0 : 1;
}
