// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

class QProgressDialog;
class QTimer;
class QWidget;

/// "WAV書き出し": compiles a text in memory and renders it through the built-in synthesizer into
/// a WAV file on a thread of its own, while a progress dialog with a cancel button shows how far
/// it got. The window stays usable; a cancelled or failed export leaves an existing file as it was.
class TWavExport : public QObject {
  Q_OBJECT
 public:
  explicit TWavExport(QWidget* window);
  /// Cancels a running export and waits for its thread.
  ~TWavExport() override;

  /// Starts exporting `cp932Source` (chord definitions from `chordIni`) to `wavFile` with the
  /// default SoundFont; false when an export runs already.
  bool Start(std::string cp932Source, std::filesystem::path chordIni, std::filesystem::path wavFile);
  [[nodiscard]] bool Running() const { return thread_.joinable(); }
  /// The file of the last export started.
  [[nodiscard]] const std::filesystem::path& Target() const { return target_; }
  /// Asks the running export to stop (the dialog's cancel button does the same).
  void Cancel();
  /// The progress dialog while an export runs; nullptr otherwise.
  [[nodiscard]] QProgressDialog* Dialog() const { return dialog_; }

 signals:
  /// The export ended: written, cancelled, or failed with `message` (empty otherwise).
  void Finished(bool written, bool cancelled, const QString& message);

 private:
  void Done();

  QWidget* window_;
  QProgressDialog* dialog_ = nullptr;
  QTimer* poll_;
  std::atomic<int> permille_{0};
  std::atomic<bool> cancel_{false};
  bool written_ = false;
  bool cancelled_ = false;
  std::string error_;  // code page 932, or UTF-8 from the system
  std::filesystem::path target_;
  std::jthread thread_;
};
