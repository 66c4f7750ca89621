// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The check as you type, measured in the editor itself (Qt's offscreen platform): for each song of
// examples/ and a generated 10,000-note source, a blank is typed (and taken back) again and again,
// and the time from the key press to the marks on screen is taken. That time holds the pause the
// check waits for after the last edit; what comes after the pause (compile in the background and
// marks) must stay well under it. Also: the compile alone without and with the source map.
// Prints figures; asserts nothing.
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/LiveCheckU.h"
#include "app/MmlcplEditorU.h"
#include "common/FileUtils.h"
#include "common/TextCodec.h"
#include "compiler/CompilerU.h"
#include "playback/recording_backend.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 15;

/// 10,000 notes on four tracks, sixteen to a line: accidentals, dots, ties, octave steps.
std::string GenerateSource(int notes) {
  static const char* const kBar[] = {"c8 ", "d8 ", "e-8 ", "f+8 ", "g4&g8 ", "a16 ", "b16. ", ">c8< "};
  std::string text;
  const int perTrack = notes / 4;
  for (int track = 1; track <= 4; ++track) {
    text += "%track" + std::to_string(track) + " o" + std::to_string(3 + track % 3) + " t132 v100\r\n";
    for (int i = 0; i < perTrack; ++i) {
      text += kBar[(i + track) % 8];
      if (i % 16 == 15) text += "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

/// Waits for the next check to be shown (at most 30 s).
bool WaitForCheck(TLiveCheck* check) {
  QEventLoop loop;
  QObject::connect(check, &TLiveCheck::CheckShown, &loop, &QEventLoop::quit);
  QTimer::singleShot(30000, &loop, [&loop] { loop.exit(1); });
  return loop.exec() == 0;
}

void Key(QWidget* editor, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(editor, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(editor, &release);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

double CompileMs(const std::string& cp932, bool withMap, const fs::path& chords) {
  std::vector<double> times;
  for (int i = 0; i < 9; ++i) {
    TCompiler compiler(chords);
    TSourceMap map;
    if (withMap) compiler.SourceMap = &map;
    compiler.SetSource(cp932);
    TFuncResult result;
    const auto start = Clock::now();
    compiler.Run(result);
    times.push_back(Ms(Clock::now() - start));
  }
  return Median(times);
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const fs::path root(SOURCE_DIR);
  const fs::path work = fs::temp_directory_path() / ("pelorund-check-latency-" + std::to_string(::getpid()));
  fs::create_directories(work);

  TEditorEnvironment env;
  env.AppDir = work;
  env.DialogDir = work;
  env.SettingsFile = work / "pelorund.ini";
  env.ChordIni = root / "data" / "chord.ini";
  env.ControlsIni = root / "data" / "controls.ini";
  env.ProgressionIni = root / "data" / "progression.ini";
  env.MidiFactory = RecordingFactory(std::make_shared<TMidiRecording>());
  TfrmMmlcplEditor window({}, env);
  window.show();
  TLiveCheck* check = window.LiveCheck;

  std::vector<std::pair<std::string, std::string>> sources;  // name, UTF-8 text
  std::vector<fs::path> examples;
  for (const auto& entry : fs::directory_iterator(root / "examples"))
    if (entry.path().extension() == ".mml") examples.push_back(entry.path());
  std::sort(examples.begin(), examples.end());
  for (const fs::path& file : examples)
    sources.emplace_back(file.filename().string(), pelorund::Cp932ToUtf8(pelorund::ReadFileBytes(file).value_or("")));
  sources.emplace_back("generated 10,000 notes", GenerateSource(10'000));

  std::printf("check as you type: pause %d ms, %d keystrokes per source (medians, max)\n", TLiveCheck::kPauseMs, kRounds);
  std::printf("%-24s %7s %6s | %10s | %22s | %22s\n", "source", "bytes", "notes", "check ms",
              "keystroke->marks ms", "after the pause ms");
  for (const auto& [name, text] : sources) {
    window.edtMain->setText(QString::fromStdString(text));
    WaitForCheck(check);
    window.edtMain->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    std::vector<double> totals;
    std::vector<double> checks;
    for (int round = 0; round < kRounds; ++round) {
      const auto pressed = Clock::now();
      if (round % 2 == 0) {
        Key(window.edtMain, Qt::Key_Space, QStringLiteral(" "));
      } else {
        Key(window.edtMain, Qt::Key_Backspace, QString());
      }
      if (!WaitForCheck(check)) {
        std::printf("%s: no check shown\n", name.c_str());
        break;
      }
      totals.push_back(Ms(Clock::now() - pressed));
      checks.push_back(check->Shown()->CheckMs);
    }
    const size_t notes = check->LastSong() ? check->LastSong()->Notes.size() : 0;
    const double maxTotal = totals.empty() ? 0 : *std::max_element(totals.begin(), totals.end());
    std::printf("%-24s %7zu %6zu | %4.1f %5.1f | %10.1f %10.1f | %10.1f %10.1f\n", name.c_str(), text.size(), notes,
                Median(checks), checks.empty() ? 0 : *std::max_element(checks.begin(), checks.end()), Median(totals),
                maxTotal, Median(totals) - TLiveCheck::kPauseMs, maxTotal - TLiveCheck::kPauseMs);
  }

  const std::string generated = pelorund::Utf8ToCp932(sources.back().second).value_or("");
  std::printf("\ncompile of the generated source in memory (median of 9): %.2f ms without the source map, "
              "%.2f ms with it\n",
              CompileMs(generated, false, env.ChordIni), CompileMs(generated, true, env.ChordIni));

  window.edtMain->setModified(false);
  window.DocModified = false;
  window.close();
  fs::remove_all(work);
  return 0;
}
