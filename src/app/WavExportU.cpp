// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WavExportU.h"

#include <QProgressDialog>
#include <QTimer>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"
#include "compiler/CompilerU.h"
#include "playback/smf_render.h"

TWavExport::TWavExport(QWidget* window) : QObject(window), window_(window), poll_(new QTimer(this)) {
  poll_->setInterval(100);
  connect(poll_, &QTimer::timeout, this, [this] {
    if (dialog_ != nullptr) dialog_->setValue(permille_.load());
  });
}

TWavExport::~TWavExport() {
  cancel_ = true;
  if (thread_.joinable()) thread_.join();
}

bool TWavExport::Start(std::string cp932Source, std::filesystem::path chordIni, std::filesystem::path wavFile) {
  if (Running()) return false;
  permille_ = 0;
  cancel_ = false;
  written_ = false;
  cancelled_ = false;
  error_.clear();
  target_ = wavFile;
  // Modal to the window only, so the user sees the export run and can stop it, nothing more.
  dialog_ = new QProgressDialog(pelorund::FromCp932(app_texts::kWavExporting),
                                pelorund::FromCp932(app_texts::kWavCancel), 0, 1000, window_);
  dialog_->setWindowTitle(pelorund::FromCp932(app_texts::kMenuWavExport).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
  dialog_->setMinimumDuration(0);
  dialog_->setWindowModality(Qt::WindowModal);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  connect(dialog_, &QProgressDialog::canceled, this, &TWavExport::Cancel);
  dialog_->setValue(0);
  dialog_->show();
  poll_->start();
  thread_ = std::jthread([this, source = std::move(cp932Source), chordIni = std::move(chordIni),
                          wavFile = std::move(wavFile)] {
    try {
      TCompiler compiler(chordIni);
      compiler.Cancel = &cancel_;
      compiler.SetSource(source);
      TFuncResult result;
      compiler.Run(result);
      if (compiler.Cancelled) {
        cancelled_ = true;
      } else if (!result.Ok) {
        error_ = result.Message;
      } else if (compiler.SmfImage.empty()) {
        error_ = app_texts::kMsgWavNoSound;
      } else {
        RenderSmfToWav(compiler.SmfImage, wavFile, {}, [this](double done) {
          permille_ = static_cast<int>(done * 1000);
          return !cancel_.load();
        });
        written_ = true;
      }
    } catch (const ERenderCancelled&) {
      cancelled_ = true;
    } catch (const std::exception& error) {
      error_ = error.what();
    }
    QMetaObject::invokeMethod(this, &TWavExport::Done, Qt::QueuedConnection);
  });
  return true;
}

void TWavExport::Cancel() { cancel_ = true; }

void TWavExport::Done() {
  if (thread_.joinable()) thread_.join();
  poll_->stop();
  if (dialog_ != nullptr) {
    dialog_->hide();
    dialog_->deleteLater();
    dialog_ = nullptr;
  }
  emit Finished(written_, cancelled_, error_.empty() ? QString() : pelorund::FromUtf8OrCp932(error_));
}
