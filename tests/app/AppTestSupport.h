// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor's windows under test: an offscreen QApplication, answers to every dialog given in
// advance, and a private directory that serves as program directory and working directory.

#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QStringList>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppUtilsQt.h"
#include "app/MmlcplEditorU.h"
#include "common/FileUtils.h"
#include "common/TextCodec.h"
#include "playback/recording_backend.h"

/// QString in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace app_test {

namespace fs = std::filesystem;

/// Owns the QApplication and ends it when the tests end, before the program's static objects
/// (Qt's among them) are destroyed.
class TApplicationEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { App.reset(); }
  std::unique_ptr<QApplication> App;
};

/// The one QApplication of a test program, on the offscreen platform.
inline void EnsureApplication() {
  static TApplicationEnvironment* environment = nullptr;
  if (environment != nullptr) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "pelorund-test";
  static char* argv[] = {name, nullptr};
  environment = new TApplicationEnvironment;  // owned by GoogleTest
  ::testing::AddGlobalTestEnvironment(environment);
  environment->App = std::make_unique<QApplication>(argc, argv);
}

/// One question as it was put.
struct TQuestion {
  QString Caption;
  QString Text;
};

/// Answers given in advance; every question, error and dialog is recorded. A question or file
/// dialog without a prepared answer is a test failure (answered with Cancel or no file).
class TScriptedPrompts : public pelorund::TUserPrompts {
 public:
  std::deque<QMessageBox::StandardButton> Answers;
  std::deque<QString> FileNames;  // for the open, save and import dialogs, in order
  std::vector<TQuestion> Questions;
  std::vector<QString> Errors;
  std::vector<TQuestion> Messages;  // plain message boxes
  std::vector<QString> Filters;
  QStringList Opened;

  QMessageBox::StandardButton Ask(const QString& caption, const QString& text,
                                  QMessageBox::StandardButtons) override {
    Questions.push_back({caption, text});
    if (Answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text.toStdString();
      return QMessageBox::Cancel;
    }
    const QMessageBox::StandardButton answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  void ShowError(const QString&, const QString& text) override { Errors.push_back(text); }
  void ShowMessage(const QString& caption, const QString& text) override { Messages.push_back({caption, text}); }
  QString OpenFileName(QWidget*, const QString&, const QString& filter) override { return NextFile(filter); }
  QString SaveFileName(QWidget*, const QString&, const QString& filter, const QString&) override {
    return NextFile(filter);
  }
  std::optional<QFont> ChooseFont(QWidget*, const QFont&) override { return std::nullopt; }
  void OpenTarget(const QString& target) override { Opened.push_back(target); }

 private:
  QString NextFile(const QString& filter) {
    Filters.push_back(filter);
    if (FileNames.empty()) {
      ADD_FAILURE() << "unexpected file dialog";
      return {};
    }
    QString name = FileNames.front();
    FileNames.pop_front();
    return name;
  }
};

/// UTF-8 text written in a test as it looks in code page 932.
inline std::string Cp932(const std::string& utf8) { return pelorund::Utf8ToCp932(utf8).value(); }
inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

/// A fresh directory per test: the program directory (app/) and the working directory (work/).
class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    pelorund::SetUserPrompts(&Prompts);
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    Root = fs::temp_directory_path() / ("pelorund-app-" + std::to_string(::getpid()) + "-" + info->test_suite_name() +
                                        "-" + info->name());
    fs::remove_all(Root);
    fs::create_directories(Root / "app");
    fs::create_directories(Root / "work");
    previousDir_ = fs::current_path();
    fs::current_path(Root / "work");
    Recording = std::make_shared<TMidiRecording>();
  }

  void TearDown() override {
    window_.reset();
    pelorund::SetUserPrompts(nullptr);
    fs::current_path(previousDir_);
    fs::remove_all(Root);
  }

  [[nodiscard]] TEditorEnvironment Environment() const {
    TEditorEnvironment env;
    env.AppDir = Root / "app";
    env.DialogDir = Root / "work";
    env.SettingsFile = Root / "app" / "pelorund.ini";
    env.ChordIni = fs::path(SOURCE_DIR) / "data" / "chord.ini";
    env.ProgressionIni = fs::path(SOURCE_DIR) / "data" / "progression.ini";
    env.ControlsIni = fs::path(SOURCE_DIR) / "data" / "controls.ini";
    env.ManualFile = Root / "app" / "manual.md";
    env.MidiFactory = RecordingFactory(Recording);
    return env;
  }

  /// Starts the main window with these command-line arguments.
  TfrmMmlcplEditor& Start(const QStringList& args = {}) {
    window_ = std::make_unique<TfrmMmlcplEditor>(args, Environment());
    return *window_;
  }

  /// Writes a file of the working directory.
  void WriteFile(const fs::path& name, const std::string& bytes) const { pelorund::WriteFileAtomic(Root / "work" / name, bytes); }
  [[nodiscard]] std::string ReadFile(const fs::path& path) const { return pelorund::ReadFileBytes(path).value_or("<missing>"); }

  fs::path Root;
  TScriptedPrompts Prompts;
  std::shared_ptr<TMidiRecording> Recording;

 private:
  fs::path previousDir_;
  std::unique_ptr<TfrmMmlcplEditor> window_;
};

}  // namespace app_test
