// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MmlcplEditorU.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"
#include "app/DocumentTextU.h"
#include "app/EditorLineU.h"
#include "app/EditorRulerU.h"
#include "app/EncodingChoiceU.h"
#include "app/LiveCheckU.h"
#include "app/MmlEditU.h"
#include "app/MusicFollowU.h"
#include "app/PianoRollU.h"
#include "app/ToolIcons.h"
#include "app/WavExportU.h"
#include "app/frmAboutU.h"
#include "app/frmChord2U.h"
#include "app/frmChordU.h"
#include "app/frmFindU.h"
#include "app/frmHelpU.h"
#include "app/frmProgramChangeU.h"
#include "app/frmReplaceU.h"
#include "app/frmWarningU.h"
#include "app/pelorundFountain.h"
#include "common/AppUtils.h"
#include "common/FileUtils.h"
#include "common/Format.h"
#include "compiler/CompilerU.h"
#include "compiler/SourceCheckU.h"
#include "import/smf2mmlU.h"
#include "playback/smf_play.h"

namespace fs = std::filesystem;
using pelorund::FromCp932;

namespace {

// The window's design geometry, written to a settings file that does not exist yet.
constexpr int kDesignTop = 98;
constexpr int kDesignLeft = 451;
constexpr int kDesignHeight = 546;
constexpr int kDesignWidth = 707;
// A settings file may hold any size (its defaults are 4 × 3); the window never gets smaller than this.
constexpr int kMinimumWidth = 320;
constexpr int kMinimumHeight = 200;
// The editor's design font: 15 pixels are 11 points on a 96 dpi desktop.
constexpr int kDesignFontSize = 11;
constexpr int kShiftJisCharset = 128;

constexpr int kWheelStep = 120;  // one notch of a mouse wheel

long Sci(const QsciScintilla* editor, unsigned int message, unsigned long wParam = 0, long lParam = 0) {
  return editor->SendScintilla(message, wParam, lParam);
}

fs::path ToPath(const QString& name) { return fs::path(QFile::encodeName(name).toStdString()); }

QString FromPath(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

QString Utf8ToQString(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

// The manual: beside the program, installed, or in the source tree.
fs::path FindManual() {
  fs::path manual = pelorund::FindDataFile("manual.md");
  std::error_code ec;
  if (fs::exists(manual, ec)) return manual;
  return fs::path(PELORUND_SOURCE_DIR) / "docs" / "manual.md";
}

}  // namespace

/// One background compile: what it works on and what it brings back.
struct TfrmMmlcplEditor::TCompileJob {
  std::unique_ptr<TCompiler> Compiler;
  TFuncResult Result;
  fs::path Output;
  fs::path LogFile;
  bool Failed = false;  // a file could not be written
  std::string Error;
  std::shared_ptr<TSourceMap> Map;   // where each note came from, in offsets of EditorText
  std::string EditorText;            // the editor's UTF-8 text the compile was made from
  std::optional<size_t> PlayFrom;    // the caret's offset in EditorText: play from its command
};

TEditorEnvironment TEditorEnvironment::ForProgram() {
  TEditorEnvironment env;
  env.AppDir = pelorund::WritableAppDir();
  env.DialogDir = pelorund::GetAppDir();
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  const fs::path programName = ec ? fs::path("pelorund") : exe.filename();
  env.SettingsFile = env.AppDir / doc_text::ReplaceExtension(programName, ".ini");
  env.ChordIni = pelorund::FindDataFile("chord.ini");
  env.ProgressionIni = pelorund::FindDataFile("progression.ini");
  env.ControlsIni = pelorund::FindDataFile("controls.ini");
  env.ManualFile = FindManual();
  return env;
}

TfrmMmlcplEditor::TfrmMmlcplEditor(const QStringList& args, TEditorEnvironment env)
    : env_(std::move(env)), settings_(env_.SettingsFile) {
  // Where "ＭＳ ゴシック" is not installed, the IPA gothic font stands in for it.
  const QString designFont = FromCp932(app_texts::kFontName);
  if (!QFontDatabase::hasFamily(designFont)) QFont::insertSubstitution(designFont, QStringLiteral("IPAGothic"));
  font_ = {std::string(app_texts::kFontName), kDesignFontSize, editor_settings::kColorNone, 0, kShiftJisCharset};

  CreateEditor();
  CreateActions();
  CreateToolBar();
  CreateStatusBar();
  frmAbout = new TfrmAbout(this);
  frmWarning = new TfrmWarning(this);
  frmHelp = new TfrmHelp(this);
  frmFind = new TfrmFind(this, edtMain);
  frmReplace = new TfrmReplace(this, edtMain);
  // At most one of the two search windows is open.
  connect(frmFind, &TfrmFind::Shown, frmReplace, &QWidget::close);
  connect(frmReplace, &TfrmReplace::Shown, frmFind, &QWidget::close);
  frmChord = new TfrmChord(this, edtMain, env_.ProgressionIni);
  frmChord2 = new TfrmChord2(this, edtMain, env_.ChordIni);
  frmProgramChange = new TfrmProgramChange(this, edtMain, env_.ControlsIni);
  timerPlayer = new QTimer(this);
  timerPlayer->setInterval(300);
  connect(timerPlayer, &QTimer::timeout, this, &TfrmMmlcplEditor::timerPlayerTimer);
  CreateMusicViews();
  move(kDesignLeft, kDesignTop);
  resize(kDesignWidth, kDesignHeight);
  FormCreate(args);
}

TfrmMmlcplEditor::~TfrmMmlcplEditor() {
  if (compileThread_.joinable()) compileThread_.join();
  timerPlayer->stop();
  if (Player) Player->Stop();
}

// ---------------------------------------------------------------------------------------------
// Building the window

void TfrmMmlcplEditor::CreateEditor() {
  edtMain = new TMmlEdit;
  edtMain->setUtf8(true);
  edtMain->setEolMode(QsciScintilla::EolWindows);
  edtMain->setTabWidth(4);
  edtMain->setIndentationsUseTabs(true);
  edtMain->setAutoIndent(false);
  edtMain->setWrapMode(QsciScintilla::WrapNone);
  edtMain->setBraceMatching(QsciScintilla::NoBraceMatch);
  edtMain->setAutoCompletionSource(QsciScintilla::AcsNone);
  edtMain->setMarginType(0, QsciScintilla::NumberMargin);
  edtMain->setMarginLineNumbers(0, true);
  edtMain->setMarginWidth(1, 0);
  edtMain->setMarginsBackgroundColor(QColor(192, 192, 192));
  edtMain->setMarginsForegroundColor(Qt::black);
  edtMain->setSelectionBackgroundColor(QColor(0, 0, 128));
  edtMain->setSelectionForegroundColor(Qt::white);
  // The caret may stand beyond the end of a line.
  edtMain->SendScintilla(QsciScintillaBase::SCI_SETVIRTUALSPACEOPTIONS,
                         static_cast<unsigned long>(QsciScintillaBase::SCVS_USERACCESSIBLE |
                                                    QsciScintillaBase::SCVS_RECTANGULARSELECTION));
  // Insert belongs to the menu entry, which also refreshes the status bar.
  if (QsciCommand* toggle = edtMain->standardCommands()->find(QsciCommand::EditToggleOvertype)) toggle->setKey(0);

  PelorundFountain1 = new TPelorundFountain(edtMain);
  edtMain->setLexer(PelorundFountain1);

  edtMain->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(edtMain, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu1->exec(edtMain->mapToGlobal(pos)); });
  connect(edtMain, &QsciScintilla::textChanged, this, &TfrmMmlcplEditor::edtMainChange);
  connect(edtMain, &QsciScintilla::cursorPositionChanged, this, &TfrmMmlcplEditor::EditorExchanged);
  connect(edtMain, &QsciScintilla::modificationChanged, this, &TfrmMmlcplEditor::ShowModifiedMark);
  edtMain->viewport()->installEventFilter(this);

  Ruler = new TEditorRuler(edtMain);
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Ruler);
  layout->addWidget(edtMain, 1);
  setCentralWidget(central);
}

void TfrmMmlcplEditor::CreateActions() {
  namespace t = app_texts;
  auto action = [this](std::string_view text, const QKeySequence& key = {}) {
    auto* a = new QAction(FromCp932(text), this);
    a->setShortcut(key);
    return a;
  };
  auto checkMark = [&](std::string_view text) {
    QAction* a = action(text);
    a->setCheckable(true);
    return a;
  };

  QMenu* file = menuBar()->addMenu(FromCp932(t::kMenuFile));
  QAction* newAction = action(t::kMenuNew, QKeySequence(Qt::CTRL | Qt::Key_N));
  newAction->setIcon(MakeToolIcon(TToolIcon::New));
  connect(newAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuNewClick);
  QAction* openAction = action(t::kMenuOpen, QKeySequence(Qt::CTRL | Qt::Key_O));
  openAction->setIcon(MakeToolIcon(TToolIcon::Open));
  connect(openAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuOpenClick);
  QAction* saveAction = action(t::kMenuSave, QKeySequence(Qt::CTRL | Qt::Key_S));
  saveAction->setIcon(MakeToolIcon(TToolIcon::Save));
  connect(saveAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuSaveClick);
  QAction* saveAsAction = action(t::kMenuSaveAs);
  connect(saveAsAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuSaveAsClick);
  QAction* importAction = action(t::kMenuImport);
  connect(importAction, &QAction::triggered, this, &TfrmMmlcplEditor::SMF1Click);
  smfBendOn = checkMark(t::kMenuBendOn);
  smfVolMix = checkMark(t::kMenuVolMix);
  NoteVelo = checkMark(t::kMenuNoteVelo);
  OctaveRev = checkMark(t::kMenuOctaveRev);
  QAction* exitAction = action(t::kMenuExit);
  connect(exitAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuExitClick);
  file->addAction(newAction);
  file->addSeparator();
  file->addAction(openAction);
  file->addSeparator();
  file->addAction(saveAction);
  file->addAction(saveAsAction);
  file->addSeparator();
  file->addActions({importAction, smfBendOn, smfVolMix, NoteVelo, OctaveRev});
  file->addSeparator();
  file->addAction(exitAction);

  QMenu* edit = menuBar()->addMenu(FromCp932(t::kMenuEdit));
  QAction* undoAction = action(t::kMenuUndo, QKeySequence(Qt::CTRL | Qt::Key_Z));
  undoAction->setIcon(MakeToolIcon(TToolIcon::Undo));
  connect(undoAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuUndoClick);
  QAction* redoMenuAction = action(t::kMenuRedoDisabled, QKeySequence(Qt::CTRL | Qt::Key_Y));
  redoMenuAction->setEnabled(false);  // redo lives on the tool bar and in the context menu
  QAction* cutAction = action(t::kMenuCut, QKeySequence(Qt::CTRL | Qt::Key_X));
  cutAction->setIcon(MakeToolIcon(TToolIcon::Cut));
  connect(cutAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuCutClick);
  QAction* copyAction = action(t::kMenuCopy, QKeySequence(Qt::CTRL | Qt::Key_C));
  copyAction->setIcon(MakeToolIcon(TToolIcon::Copy));
  connect(copyAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuCopyClick);
  QAction* pasteAction = action(t::kMenuPaste, QKeySequence(Qt::CTRL | Qt::Key_V));
  pasteAction->setIcon(MakeToolIcon(TToolIcon::Paste));
  connect(pasteAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuPasteClick);
  QAction* selectAllAction = action(t::kMenuSelectAll, QKeySequence(Qt::CTRL | Qt::Key_A));
  connect(selectAllAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuSelectAllClick);
  QAction* insertAction = action(t::kMenuInsertMode, QKeySequence(Qt::Key_Insert));
  connect(insertAction, &QAction::triggered, this, &TfrmMmlcplEditor::N4Click);
  QAction* fontAction = action(t::kMenuFont);
  connect(fontAction, &QAction::triggered, this, &TfrmMmlcplEditor::N10Click);
  edit->addAction(undoAction);
  edit->addAction(redoMenuAction);
  edit->addSeparator();
  edit->addActions({cutAction, copyAction, pasteAction});
  edit->addSeparator();
  edit->addAction(selectAllAction);
  edit->addSeparator();
  edit->addAction(insertAction);
  edit->addSeparator();
  edit->addAction(fontAction);

  QMenu* search = menuBar()->addMenu(FromCp932(t::kMenuSearch));
  QAction* findAction = action(t::kMenuFind, QKeySequence(Qt::CTRL | Qt::Key_F));
  connect(findAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuFindClick);
  QAction* findNextAction = action(t::kMenuFindNext, QKeySequence(Qt::Key_F3));
  connect(findNextAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuFindNextClick);
  QAction* replaceAction = action(t::kMenuReplace, QKeySequence(Qt::CTRL | Qt::Key_R));
  connect(replaceAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuReplaceClick);
  search->addAction(findAction);
  search->addAction(findNextAction);
  search->addSeparator();
  search->addAction(replaceAction);

  QMenu* play = menuBar()->addMenu(FromCp932(t::kMenuPlay));
  QAction* runAction = action(t::kMenuRun, QKeySequence(Qt::CTRL | Qt::Key_P));
  connect(runAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuRunClick);
  QAction* stopAction = action(t::kMenuStop, QKeySequence(Qt::CTRL | Qt::Key_E));
  connect(stopAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuStopClick);
  play->addActions({runAction, stopAction});

  QMenu* tools = menuBar()->addMenu(FromCp932(t::kMenuTools));
  QAction* controlsAction = tools->addAction(FromCp932(t::kMenuControls));
  connect(controlsAction, &QAction::triggered, this, &TfrmMmlcplEditor::N12Click);
  QAction* chordAction = tools->addAction(FromCp932(t::kMenuChord));
  connect(chordAction, &QAction::triggered, this, &TfrmMmlcplEditor::aaaClick);
  QAction* progressionAction = tools->addAction(FromCp932(t::kMenuProgression));
  connect(progressionAction, &QAction::triggered, this, &TfrmMmlcplEditor::N15Click);

  QMenu* help = menuBar()->addMenu(FromCp932(t::kMenuHelp));
  QAction* helpAction = action(t::kMenuHelpIndex, QKeySequence(Qt::Key_F1));
  connect(helpAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuHelpIndexClick);
  QAction* aboutAction = action(t::kMenuAbout);
  connect(aboutAction, &QAction::triggered, this, &TfrmMmlcplEditor::mnuAboutClick);
  help->addAction(helpAction);
  help->addSeparator();
  help->addAction(aboutAction);

  // The context menu shows its shortcuts; the keys themselves reach the editor or the main menu.
  PopupMenu1 = new QMenu(this);
  QAction* popupUndo = action(t::kMenuUndo, QKeySequence(Qt::CTRL | Qt::Key_Z));
  connect(popupUndo, &QAction::triggered, this, &TfrmMmlcplEditor::mnuUndoClick);
  QAction* popupRedo = action(t::kPopupRedo, QKeySequence(Qt::CTRL | Qt::Key_Y));
  connect(popupRedo, &QAction::triggered, this, &TfrmMmlcplEditor::mnuRedoClick);
  QAction* popupCut = action(t::kMenuCut, QKeySequence(Qt::CTRL | Qt::Key_X));
  connect(popupCut, &QAction::triggered, this, &TfrmMmlcplEditor::mnuCutClick);
  QAction* popupCopy = action(t::kMenuCopy, QKeySequence(Qt::CTRL | Qt::Key_C));
  connect(popupCopy, &QAction::triggered, this, &TfrmMmlcplEditor::mnuCopyClick);
  QAction* popupPaste = action(t::kMenuPaste, QKeySequence(Qt::CTRL | Qt::Key_V));
  connect(popupPaste, &QAction::triggered, this, &TfrmMmlcplEditor::mnuPasteClick);
  QAction* popupSelectAll = action(t::kMenuSelectAll, QKeySequence(Qt::CTRL | Qt::Key_A));
  connect(popupSelectAll, &QAction::triggered, this, &TfrmMmlcplEditor::mnuSelectAllClick);
  for (QAction* a : {popupUndo, popupRedo, popupCut, popupCopy, popupPaste, popupSelectAll}) {
    a->setShortcutContext(Qt::WidgetShortcut);
  }
  PopupMenu1->addActions({popupUndo, popupRedo});
  PopupMenu1->addSeparator();
  PopupMenu1->addActions({popupCut, popupCopy, popupPaste});
  PopupMenu1->addSeparator();
  PopupMenu1->addAction(popupSelectAll);

  // The tool bar takes the menu's own actions where it runs the same command.
  QToolBar* bar = addToolBar(QStringLiteral("Main"));
  bar->setObjectName(QStringLiteral("ToolBar1"));
  bar->setMovable(false);
  bar->setFixedHeight(33);
  bar->setIconSize(QSize(18, 18));
  bar->addActions({newAction, openAction, saveAction});
  bar->addSeparator();
  QAction* toolRedo = action(t::kToolRedo);
  toolRedo->setIcon(MakeToolIcon(TToolIcon::Redo));
  connect(toolRedo, &QAction::triggered, this, &TfrmMmlcplEditor::ToolButton7Click);
  bar->addActions({undoAction, toolRedo, cutAction, copyAction, pasteAction});
}

void TfrmMmlcplEditor::CreateToolBar() {
  QToolBar* bar = findChild<QToolBar*>(QStringLiteral("ToolBar1"));
  bar->addSeparator();
  SpinEdit1 = new QSpinBox(bar);
  SpinEdit1->setRange(INT_MIN, INT_MAX);
  SpinEdit1->setValue(0);
  SpinEdit1->setFixedWidth(50);
  if (auto* text = SpinEdit1->findChild<QLineEdit*>()) text->setReadOnly(true);
  connect(SpinEdit1, &QSpinBox::valueChanged, this, &TfrmMmlcplEditor::SpinEdit1Change);
  bar->addWidget(SpinEdit1);
  bar->addSeparator();

  auto button = [bar](std::string_view text, TToolIcon icon) {
    auto* b = new QToolButton(bar);
    b->setIcon(MakeToolIcon(icon));
    b->setToolTip(FromCp932(text).remove(QLatin1Char('&')));
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
  };
  toolPlay = button(app_texts::kMenuRun, TToolIcon::Play);
  connect(toolPlay, &QToolButton::clicked, this, &TfrmMmlcplEditor::mnuRunClick);
  toolStop = button(app_texts::kMenuStop, TToolIcon::Stop);
  connect(toolStop, &QToolButton::clicked, this, &TfrmMmlcplEditor::mnuStopClick);

  MCIPlayer = new QSlider(Qt::Horizontal, bar);
  MCIPlayer->setRange(0, 0);
  MCIPlayer->setValue(0);
  MCIPlayer->setFixedWidth(120);
  bar->addWidget(MCIPlayer);
  bar->addSeparator();

  cmbDevice = new QComboBox(bar);
  cmbDevice->setFixedWidth(213);
  connect(cmbDevice, &QComboBox::currentIndexChanged, this, &TfrmMmlcplEditor::cmbDeviceChange);
  bar->addWidget(cmbDevice);
}

void TfrmMmlcplEditor::CreateStatusBar() {
  const int widths[] = {128, 50, 50};
  for (size_t i = 0; i < StatusPanels.size(); ++i) {
    auto* panel = new QLabel(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (i < std::size(widths)) {
      panel->setFixedWidth(widths[i]);
      statusBar()->addWidget(panel);
    } else {
      statusBar()->addWidget(panel, 1);
    }
    StatusPanels[i] = panel;
  }
}

// ---------------------------------------------------------------------------------------------
// Start-up, showing and closing

void TfrmMmlcplEditor::FormCreate(const QStringList& args) {
  SetDocName(UntitledName);
  DocModified = false;
  IsPlaying = false;
  BackupFile = env_.AppDir / "pelorund.bak";
  dialogDir_ = env_.DialogDir.empty() ? env_.AppDir : env_.DialogDir;

  // Settings: a missing file is first filled from the window. Settings never stop the program.
  if (!settings_.Exists()) {
    try {
      WriteGeometry();
      settings_.WriteFont(font_);
    } catch (const std::exception&) {
      // An unwritable settings file leaves the design values in effect.
    }
  }
  SettingsGeometry = settings_.ReadGeometry();
  move(SettingsGeometry.Left, SettingsGeometry.Top);
  resize(std::max(SettingsGeometry.Width, kMinimumWidth), std::max(SettingsGeometry.Height, kMinimumHeight));
  ApplyFont(settings_.ReadFont(font_));

  // Command line: switches have no effect; the first other argument names the document.
  bool loaded = false;
  const auto named = std::find_if(args.begin(), args.end(), [](const QString& arg) {
    return !arg.startsWith(QLatin1Char('/')) && !arg.startsWith(QLatin1Char('-'));
  });
  if (named != args.end()) {
    try {
      LoadDocument(*named);
      loaded = true;
    } catch (const std::exception& error) {
      ShowError(pelorund::ErrorText(error));
    }
  }

  Player = std::make_unique<TSmfPlayer>(env_.MidiFactory);
  {
    const QSignalBlocker blocker(cmbDevice);
    for (const std::string& line : doc_text::SplitLines(Player->MidiOut.GetDeviceList())) {
      cmbDevice->addItem(FromCp932(line));
    }
    if (cmbDevice->count() == 0) {
      ShowError(FromCp932(app_texts::kMsgNoDevice));
    } else {
      cmbDevice->setCurrentIndex(0);
    }
  }
  try {
    Player->Open();
  } catch (const std::exception& error) {  // ESmfPlayer: "MIDIポートが開けません。"
    ShowError(pelorund::ErrorText(error));
    return;  // start-up ends here; the window opens as usual
  }
  // A document that could not be read leaves the template, as if none had been named.
  if (!loaded) FillNewTemplate();
}

void TfrmMmlcplEditor::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  if (const QScreen* desktop = screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(desktop->availableGeometry().center());
    move(frame.topLeft());
  }
  edtMain->setFocus();
}

void TfrmMmlcplEditor::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (shownOnce_ && !closed_) WriteGeometry();
}

void TfrmMmlcplEditor::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && frmAbout->isVisible()) frmAbout->close();
}

void TfrmMmlcplEditor::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  mnuStopClick();
  if (DocModified) {
    const QMessageBox::StandardButton answer =
        pelorund::AskYesNoCancel(AskSaveText(app_texts::kAskModifiedClose), FromCp932(app_texts::kCaptionClose));
    // A save that did not happen keeps the window open, so no edit is lost.
    if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !mnuSaveClick())) {
      event->ignore();
      return;
    }
  }
  if (compileThread_.joinable()) compileThread_.join();
  closed_ = true;
  timerPlayer->stop();
  Player.reset();
  WriteGeometry();
  event->accept();
}

bool TfrmMmlcplEditor::eventFilter(QObject* watched, QEvent* event) {
  // The wheel scrolls the editor one line per notch.
  if (watched == edtMain->viewport() && event->type() == QEvent::Wheel) {
    const auto* wheel = static_cast<QWheelEvent*>(event);
    if (wheel->angleDelta().y() == 0) return false;
    wheelDelta_ += wheel->angleDelta().y();
    while (wheelDelta_ >= kWheelStep || wheelDelta_ <= -kWheelStep) {
      const bool up = wheelDelta_ > 0;
      edtMain->SendScintilla(QsciScintillaBase::SCI_LINESCROLL, 0UL, up ? -1L : 1L);
      wheelDelta_ += up ? -kWheelStep : kWheelStep;
    }
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Settings and font

void TfrmMmlcplEditor::WriteGeometry() {
  try {
    settings_.WriteGeometry({y(), x(), height(), width()});
  } catch (const std::exception&) {
    // The window works on without a writable settings file.
  }
}

void TfrmMmlcplEditor::ApplyFont(const editor_settings::TFontSettings& settings) {
  font_ = settings;
  QFont font(settings.Name.empty() ? FromCp932(app_texts::kFontName) : FromCp932(settings.Name));
  if (settings.Size > 0) font.setPointSize(settings.Size);
  font.setBold((settings.Style & 1) != 0);
  font.setItalic((settings.Style & 2) != 0);
  font.setUnderline((settings.Style & 4) != 0);
  font.setStrikeOut((settings.Style & 8) != 0);
  font.setStyleHint(QFont::TypeWriter);
  // The editor control passes family names on as Latin-1, so it gets the name of the family
  // actually used ("IPAGothic" standing in for "ＭＳ ゴシック").
  font.setFamily(QFontInfo(font).family());
  const std::optional<uint32_t> rgb = editor_settings::ColorRgb(settings.Color);
  const QColor color = rgb ? QColor::fromRgb(*rgb) : QColor(Qt::black);
  PelorundFountain1->SetEditorFont(font, color);
  edtMain->setMarginsFont(font);
  edtMain->setMarginWidth(0, QStringLiteral("00000"));
  Ruler->updateGeometry();
  Ruler->update();
}

void TfrmMmlcplEditor::N10Click() {
  QFont initial = PelorundFountain1->defaultFont(TPelorundFountain::Default);
  const std::optional<QFont> chosen = pelorund::UserPrompts().ChooseFont(this, initial);
  if (!chosen) return;
  editor_settings::TFontSettings font = font_;
  font.Name = pelorund::ToCp932(chosen->family()).value_or(font_.Name);
  font.Size = chosen->pointSize() > 0 ? chosen->pointSize() : font_.Size;
  font.Style = (chosen->bold() ? 1 : 0) | (chosen->italic() ? 2 : 0) | (chosen->underline() ? 4 : 0) |
               (chosen->strikeOut() ? 8 : 0);
  try {
    settings_.WriteFont(font);
  } catch (const std::exception& error) {
    ShowError(pelorund::ErrorText(error));
  }
  ApplyFont(font);
}

// ---------------------------------------------------------------------------------------------
// Document

void TfrmMmlcplEditor::SetDocName(const QString& fileName) {
  DocName = fileName == UntitledName ? UntitledName : QFileInfo(fileName).fileName();
  const QString title = DocName + QStringLiteral(" - ") + AppTitle;
  setWindowTitle(title);
  pelorund::SetAppTitle(title);
  DocModified = false;
}

void TfrmMmlcplEditor::LoadDocument(const QString& fileName) {
  const std::optional<std::string> bytes = pelorund::ReadFileBytes(ToPath(fileName));
  if (!bytes) throw std::runtime_error(std::string(app_texts::kMsgCannotRead) + ToPath(fileName).string());
  if (QFileInfo(fileName).fileName() != fileName) EnterDirectoryOf(fileName);
  SetDocName(fileName);
  const pelorund::TTextEncoding encoding = pelorund::DetectEncoding(*bytes);
  if (encoding == pelorund::TTextEncoding::Cp932) {
    SetEditorText(doc_text::DocumentLines(*bytes));
  } else {
    // A UTF-8 document may hold what code page 932 cannot; it is kept until a compile needs it.
    QStringList lines;
    for (const std::string& line : doc_text::DocumentLines(pelorund::DocumentToUtf8(*bytes, encoding)))
      lines << Utf8ToQString(line);
    edtMain->setText(lines.join(QStringLiteral("\r\n")));
    edtMain->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    edtMain->setModified(false);
    edtMain->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0UL);
    DocModified = false;
    EditorExchanged();
  }
  SetDocEncoding(encoding);
}

void TfrmMmlcplEditor::SetEditorText(const std::vector<std::string>& cp932Lines) {
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(cp932Lines.size()));
  for (const std::string& line : cp932Lines) lines << FromCp932(line);
  edtMain->setText(lines.join(QStringLiteral("\r\n")));
  edtMain->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
  edtMain->setModified(false);
  edtMain->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0UL);
  DocModified = false;
  EditorExchanged();
}

void TfrmMmlcplEditor::FillNewTemplate() {
  SetEditorText(doc_text::NewTemplateLines());
  SetDocEncoding(pelorund::TTextEncoding::Cp932);
}

std::vector<std::string> TfrmMmlcplEditor::DocumentLines() const {
  std::vector<std::string> lines;
  int row = 0;
  for (const std::string& utf8 : doc_text::EditorLines(ToUtf8(edtMain->text()))) {
    ++row;
    const QString line = Utf8ToQString(utf8);
    int badIndex = 0;
    std::optional<std::string> cp932 = pelorund::ToCp932(line, &badIndex);
    if (!cp932) {
      const int column = static_cast<int>(line.left(badIndex).toUcs4().size()) + 1;
      throw std::runtime_error(pelorund::Format(std::string(app_texts::kMsgUnencodable).c_str(), row, column));
    }
    lines.push_back(std::move(*cp932));
  }
  return lines;
}

void TfrmMmlcplEditor::WriteDocument(const fs::path& fileName) const {
  pelorund::WriteFileAtomic(fileName, doc_text::JoinLines(DocumentLines()));
}

void TfrmMmlcplEditor::EnterDirectoryOf(const QString& fileName) {
  const QString directory = QFileInfo(fileName).absolutePath();
  QDir::setCurrent(directory);
  dialogDir_ = ToPath(directory);
}

QString TfrmMmlcplEditor::AskSaveText(std::string_view question) const {
  return QLatin1Char('"') + DocName + QLatin1Char('"') + FromCp932(question) + QStringLiteral("\r\n") +
         FromCp932(app_texts::kAskSave);
}

bool TfrmMmlcplEditor::ConfirmSave(const QString& caption) {
  if (!DocModified) return true;
  switch (pelorund::AskYesNoCancel(AskSaveText(app_texts::kAskModified), caption)) {
    case QMessageBox::Cancel:
      return false;
    case QMessageBox::Yes:
      return mnuSaveClick();
    default:
      return true;
  }
}

void TfrmMmlcplEditor::mnuNewClick() {
  if (DocModified) {
    const QMessageBox::StandardButton answer = pelorund::AskYesNoCancel(AskSaveText(app_texts::kAskModified));
    if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !mnuSaveClick())) return;
  }
  FillNewTemplate();
  SetDocName(UntitledName);
}

void TfrmMmlcplEditor::mnuOpenClick() {
  if (!ConfirmSave(FromCp932(app_texts::kCaptionOpen))) return;
  const QString chosen = pelorund::UserPrompts().OpenFileName(this, FromPath(dialogDir_),
                                                              pelorund::DialogFilter(app_texts::kFilterOpen, "*.mml"));
  if (chosen.isEmpty()) return;
  try {
    EnterDirectoryOf(chosen);
    LoadDocument(chosen);
  } catch (const std::exception& error) {
    ShowError(pelorund::ErrorText(error));
  }
}

bool TfrmMmlcplEditor::mnuSaveClick() {
  if (DocName == UntitledName) return mnuSaveAsClick();
  try {
    SaveDocumentFile(ToPath(DocName));
  } catch (const std::exception& error) {
    DocModified = true;  // nothing was written, so the document still needs saving
    ShowError(pelorund::ErrorText(error));
    return false;
  }
  DocModified = false;
  edtMain->setModified(false);
  ShowModifiedMark();
  return true;
}

bool TfrmMmlcplEditor::mnuSaveAsClick() {
  const std::optional<encoding_choice::TSaveChoice> choice =
      encoding_choice::EncodingChooser().SaveFileName(this, FromPath(dialogDir_), DocEncoding);
  if (!choice) return false;
  const QString& chosen = choice->FileName;
  EnterDirectoryOf(chosen);
  SetDocName(chosen);
  SetDocEncoding(choice->Encoding);
  return mnuSaveClick();
}

void TfrmMmlcplEditor::SMF1Click() {
  if (!ConfirmSave(FromCp932(app_texts::kCaptionOpen))) return;
  SetDocName(UntitledName);
  const QString chosen = pelorund::UserPrompts().OpenFileName(
      this, FromPath(dialogDir_), pelorund::DialogFilter(app_texts::kFilterImport, "*.mid"));
  if (chosen.isEmpty()) return;
  try {
    EnterDirectoryOf(chosen);
    smf2mmlU::TSmf2Mml converter(env_.ControlsIni);
    converter.WriteBend = smfBendOn->isChecked();
    converter.MixVolume = smfVolMix->isChecked();
    converter.DirectVelocity = NoteVelo->isChecked();
    converter.ReverseOctave = OctaveRev->isChecked();
    converter.Import(ToPath(chosen));
    SetEditorText(doc_text::DocumentLines(smf2mmlU::MakeMml(converter)));
    SetDocEncoding(pelorund::TTextEncoding::Cp932);
  } catch (const std::exception& error) {
    ShowError(pelorund::ErrorText(error));
    return;
  }
  edtMain->setFocus();
  DocModified = false;
}

void TfrmMmlcplEditor::mnuExitClick() { close(); }

// ---------------------------------------------------------------------------------------------
// Editing and the status bar

void TfrmMmlcplEditor::mnuUndoClick() { edtMain->undo(); }
void TfrmMmlcplEditor::mnuRedoClick() { edtMain->redo(); }
void TfrmMmlcplEditor::ToolButton7Click() { edtMain->redo(); }
void TfrmMmlcplEditor::mnuCutClick() { edtMain->cut(); }
void TfrmMmlcplEditor::mnuCopyClick() { edtMain->copy(); }
void TfrmMmlcplEditor::mnuPasteClick() { edtMain->paste(); }

void TfrmMmlcplEditor::mnuSelectAllClick() {
  edtMain->setFocus();
  edtMain->selectAll();
}

void TfrmMmlcplEditor::N4Click() {
  edtMain->setOverwriteMode(!edtMain->overwriteMode());
  ShowInsertMode();
}

void TfrmMmlcplEditor::edtMainChange() { DocModified = true; }

void TfrmMmlcplEditor::EditorExchanged() {
  ShowModifiedMark();
  ShowInsertMode();
  ShowCaretPos();
}

std::string TfrmMmlcplEditor::LineUtf8(int line) const {
  const long start = Sci(edtMain, QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const long end = Sci(edtMain, QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
  if (start < 0 || end <= start) return {};
  std::string bytes(static_cast<size_t>(end - start) + 1, '\0');
  edtMain->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, start, end, bytes.data());
  bytes.resize(static_cast<size_t>(end - start));
  return bytes;
}

void TfrmMmlcplEditor::ShowCaretPos() {
  const long caret = Sci(edtMain, QsciScintillaBase::SCI_GETCURRENTPOS);
  const long line = Sci(edtMain, QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret));
  const long lineStart = Sci(edtMain, QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  // Bytes of code page 932 before the caret; a caret beyond the end of the line counts as at its end.
  const std::string before = LineUtf8(static_cast<int>(line)).substr(0, static_cast<size_t>(caret - lineStart));
  const int column = static_cast<int>(editor_line::MapLine(before).Cp932.size()) + 1;
  StatusPanels[0]->setText(FromCp932(doc_text::CaretPosText(static_cast<int>(line) + 1, column)));
}

void TfrmMmlcplEditor::ShowModifiedMark() {
  StatusPanels[1]->setText(edtMain->isModified() ? FromCp932(app_texts::kModifiedMark) : QString());
}

void TfrmMmlcplEditor::ShowInsertMode() {
  StatusPanels[2]->setText(FromCp932(edtMain->overwriteMode() ? app_texts::kOverwriteMode : app_texts::kInsertMode));
}

void TfrmMmlcplEditor::ShowStatus(const QString& message) {
  QString text = message;
  StatusPanels[3]->setText(text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
}

void TfrmMmlcplEditor::ShowError(const QString& text) { pelorund::UserPrompts().ShowError(windowTitle(), text); }

void TfrmMmlcplEditor::PlaceCaret(int row, int column) {
  const int line = row - 1;
  const long lineStart = Sci(edtMain, QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const int offset = editor_line::MapLine(LineUtf8(line)).Utf8OffsetOfChar(column);
  edtMain->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(lineStart + offset));
}

void TfrmMmlcplEditor::PlaceCaretAtByte(size_t offset) {
  const int lines = edtMain->lines();
  for (int line = 0; line < lines; ++line) {
    const editor_line::TLineText text = editor_line::MapLine(LineUtf8(line));
    const size_t length = text.Cp932.size();
    if (offset <= length || line + 1 == lines) {
      const long lineStart = Sci(edtMain, QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
      const int utf8 = text.Utf8OffsetOfCp932(std::min(offset, length));
      edtMain->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(lineStart + utf8));
      return;
    }
    offset -= std::min(offset, length + 2);  // the line and its CR LF
  }
}

void TfrmMmlcplEditor::SpinEdit1Change() {
  std::string text;
  const int lines = edtMain->lines();
  for (int line = 0; line < lines; ++line) {
    if (line > 0) text += "\r\n";
    text += editor_line::MapLine(LineUtf8(line)).Cp932;
  }
  const std::vector<size_t> positions = doc_text::TrackPositions(text);
  const int value = doc_text::ClampTrackJump(SpinEdit1->value(), positions.size());
  {
    const QSignalBlocker blocker(SpinEdit1);
    SpinEdit1->setValue(value);
  }
  edtMain->setFocus();
  if (positions.empty()) return;
  // The 1-based position serves as the 0-based count: the caret lands behind the "%".
  PlaceCaretAtByte(positions[static_cast<size_t>(-value)]);
}

// ---------------------------------------------------------------------------------------------
// Devices, help and version

void TfrmMmlcplEditor::cmbDeviceChange() {
  mnuStopClick();
  if (!Player) return;
  if (!Player->MidiOut.Close()) Player->Close();
  Player->MidiOut.Open(cmbDevice->currentIndex() - 1);
  edtMain->setFocus();
}

void TfrmMmlcplEditor::mnuHelpIndexClick() {
  QCoreApplication::processEvents();
  frmHelp->LoadManual(env_.ManualFile);
  frmHelp->show();
  frmHelp->raise();
  frmHelp->activateWindow();
}

void TfrmMmlcplEditor::mnuAboutClick() {
  frmAbout->show();
  frmAbout->raise();
  frmAbout->activateWindow();
}

// ---------------------------------------------------------------------------------------------
// Find, replace and the input windows

void TfrmMmlcplEditor::mnuFindClick() { frmFind->Open(); }

void TfrmMmlcplEditor::mnuFindNextClick() { frmFind->btnFindClick(); }

void TfrmMmlcplEditor::mnuReplaceClick() {
  if (edtMain->hasSelectedText()) frmReplace->chkSelectArea->setChecked(true);
  frmReplace->Open();
}

void TfrmMmlcplEditor::N12Click() { frmProgramChange->Open(); }

void TfrmMmlcplEditor::aaaClick() { frmChord2->Open(); }

void TfrmMmlcplEditor::N15Click() { frmChord->Open(); }

// ---------------------------------------------------------------------------------------------
// Compile and play

fs::path TfrmMmlcplEditor::OutputFileName() const {
  if (DocName == UntitledName) return doc_text::ReplaceExtension(BackupFile, ".mid");
  return doc_text::ReplaceExtension(ToPath(DocName), ".mid");
}

void TfrmMmlcplEditor::mnuStopClick() {
  timerPlayer->stop();
  Follower->Stop();
  if (!IsPlaying) return;
  QCoreApplication::processEvents();
  if (Player && Player->Playing) Player->Stop();
  MCIPlayer->setValue(0);
  IsPlaying = false;
}

void TfrmMmlcplEditor::timerPlayerTimer() {
  if (IsPlaying && Player) MCIPlayer->setValue(Player->Position);
}

void TfrmMmlcplEditor::mnuRunClick() {
  // One compile at a time: the menu entry stays active while the tool buttons are disabled.
  if (Compiling() || closed_) return;
  mnuStopClick();
  IsPlaying = false;
  ShowStatus(QString());
  while (Player && Player->Playing) {
    QThread::msleep(100);
    QCoreApplication::processEvents();
    if (Player && Player->Playing) Player->Stop();
  }
  auto job = std::make_unique<TCompileJob>();
  job->Compiler = std::make_unique<TCompiler>(env_.ChordIni);
  PrepareSourceMap(*job);
  try {
    WriteDocument(BackupFile);
  } catch (const std::exception& error) {
    ShowError(pelorund::ErrorText(error));
    return;  // nothing is compiled
  }
  job->Output = OutputFileName();
  job->LogFile = env_.AppDir / "CompileLog.txt";
  if (!job->Compiler->LoadSource(BackupFile)) {
    FinishCompile();
    return;
  }
  ShowStatus(FromCp932(app_texts::kStatusCompiling));
  toolPlay->setEnabled(false);
  toolStop->setEnabled(false);
  StartCompile(std::move(job));
}

void TfrmMmlcplEditor::StartCompile(std::unique_ptr<TCompileJob> job) {
  job_ = std::move(job);
  // The compile runs beside the window; the window only learns its outcome when it has ended.
  compileThread_ = std::jthread([this, job = job_.get()] {
    try {
      job->Compiler->Compile(job->Output, job->Result, job->LogFile);
      if (job->Map && !MapSongToText(*job->Map, job->EditorText)) job->Map.reset();
    } catch (const std::exception& error) {
      job->Failed = true;
      job->Error = error.what();
    }
    QMetaObject::invokeMethod(this, &TfrmMmlcplEditor::CompileDone, Qt::QueuedConnection);
  });
}

void TfrmMmlcplEditor::CompileDone() {
  if (compileThread_.joinable()) compileThread_.join();
  const std::unique_ptr<TCompileJob> job = std::move(job_);
  if (!job || closed_) return;
  const TFuncResult& result = job->Result;
  if (job->Failed) {
    ShowError(pelorund::FromUtf8OrCp932(job->Error));
  } else if (!result.Ok) {
    ShowStatus(FromCp932(app_texts::kStatusCompileError));
    if (result.Row >= 1 && edtMain->lines() >= result.Row) {
      edtMain->setFocus();
      PlaceCaret(result.Row, result.Column);
    }
    ShowStatus(FromCp932(result.Message));
  } else {
    if (result.Warning) {
      ShowStatus(FromCp932(app_texts::kStatusDoneWarning));
      frmWarning->LoadLog(job->LogFile);
      frmWarning->show();
    } else {
      ShowStatus(FromCp932(app_texts::kStatusDone));
    }
    std::error_code ec;
    // A compile that wrote no file must not play an older one left at that name.
    if (job->Compiler->SmfImage.empty() || !fs::exists(job->Output, ec)) {
      ShowStatus(FromCp932(app_texts::kStatusNoSmf));
    } else {
      try {
        StartPlaying(*job);
      } catch (const std::exception& error) {
        ShowError(pelorund::ErrorText(error));
      }
    }
  }
  FinishCompile();
  emit CompileFinished();
}

void TfrmMmlcplEditor::StartPlaying(const TCompileJob& job) {
  // The player gets a private copy in memory, so the next compile may replace the file at once.
  const std::optional<std::string> bytes = pelorund::ReadFileBytes(job.Output);
  if (!bytes) throw std::runtime_error(std::string(app_texts::kMsgCannotRead) + job.Output.string());
  Player->LoadFromStream(std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
  MCIPlayer->setMaximum(Player->GetLength());
  Player->Position = 0;
  if (job.PlayFrom && job.Map) {
    const std::optional<int64_t> from = job.Map->TickAtPosition(*job.PlayFrom);
    // The player sends what the part it skips had set up (programs, controllers, tempo).
    if (from) Player->Position = static_cast<int32_t>(std::min<int64_t>(*from, INT32_MAX));
  }
  Player->Play();
  IsPlaying = true;
  timerPlayer->start();
  if (job.Map) Follower->Start(job.Map, Player.get());
}

void TfrmMmlcplEditor::FinishCompile() {
  toolPlay->setEnabled(true);
  toolStop->setEnabled(true);
  edtMain->setFocus();
}

// ---------------------------------------------------------------------------------------------
// Following the music, the check as you type, the piano roll, encodings and WAV export

void TfrmMmlcplEditor::CreateMusicViews() {
  namespace t = app_texts;
  LiveCheck = new TLiveCheck(edtMain, env_.ChordIni, this);
  Follower = new TMusicFollower(edtMain, this);
  WavExport = new TWavExport(this);
  connect(WavExport, &TWavExport::Finished, this, &TfrmMmlcplEditor::WavExportFinished);

  EncodingPanel = new QLabel(this);
  EncodingPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  statusBar()->addPermanentWidget(LiveCheck->StatusLabel());
  statusBar()->addPermanentWidget(EncodingPanel);
  SetDocEncoding(DocEncoding);

  PianoRoll = new TPianoRollDock(this);
  addDockWidget(Qt::BottomDockWidgetArea, PianoRoll);
  PianoRoll->hide();
  TPianoRollView* roll = PianoRoll->View;
  connect(LiveCheck, &TLiveCheck::SongChanged, roll, &TPianoRollView::SetSong);
  connect(Follower, &TMusicFollower::PlayTick, roll, [roll](qint64 tick) { roll->SetPlayTick(tick); });
  connect(Follower, &TMusicFollower::Finished, roll, [roll] { roll->SetPlayTick(std::nullopt); });
  connect(roll, &TPianoRollView::NoteClicked, this, &TfrmMmlcplEditor::GoToSource);

  // The entries join the menus the window already has.
  auto menuTitled = [this](std::string_view title) -> QMenu* {
    for (QAction* entry : menuBar()->actions()) {
      if (entry->menu() != nullptr && entry->text() == FromCp932(title)) return entry->menu();
    }
    return nullptr;
  };
  if (QMenu* play = menuTitled(t::kMenuPlay)) {
    QAction* fromCaret = play->addAction(FromCp932(t::kMenuPlayFromCaret));
    fromCaret->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    connect(fromCaret, &QAction::triggered, this, &TfrmMmlcplEditor::mnuPlayFromCaretClick);
    play->addSeparator();
    PianoRollAction = PianoRoll->toggleViewAction();
    PianoRollAction->setText(FromCp932(t::kMenuPianoRoll));
    play->addAction(PianoRollAction);
  }
  if (QMenu* file = menuTitled(t::kMenuFile)) {
    QAction* wav = new QAction(FromCp932(t::kMenuWavExport), this);
    connect(wav, &QAction::triggered, this, &TfrmMmlcplEditor::mnuWavExportClick);
    // After the import group, before the separator that precedes "終了(&X)".
    const QList<QAction*> entries = file->actions();
    const auto exit = std::find_if(entries.begin(), entries.end(),
                                   [](const QAction* a) { return a->text() == FromCp932(t::kMenuExit); });
    QAction* before = exit == entries.end() ? nullptr : *exit;
    if (exit != entries.begin() && exit != entries.end() && (*(exit - 1))->isSeparator()) before = *(exit - 1);
    file->insertSeparator(before);
    file->insertAction(before, wav);
  }
}

void TfrmMmlcplEditor::SetDocEncoding(pelorund::TTextEncoding encoding) {
  DocEncoding = encoding;
  if (EncodingPanel != nullptr) EncodingPanel->setText(FromCp932(encoding_choice::EncodingName(encoding)));
}

void TfrmMmlcplEditor::SaveDocumentFile(const fs::path& fileName) const {
  if (DocEncoding == pelorund::TTextEncoding::Cp932) return WriteDocument(fileName);
  const std::string utf8 = doc_text::JoinLines(doc_text::EditorLines(ToUtf8(edtMain->text())));
  pelorund::WriteFileAtomic(fileName, pelorund::Utf8ToDocument(utf8, DocEncoding).value_or(utf8));
}

void TfrmMmlcplEditor::PrepareSourceMap(TCompileJob& job) {
  job.Map = std::make_shared<TSourceMap>();
  job.Compiler->SourceMap = job.Map.get();
  job.EditorText = ToUtf8(edtMain->text());
  job.PlayFrom = std::exchange(playFromCaret_, std::nullopt);
  Follower->MarkSnapshot();
}

void TfrmMmlcplEditor::mnuPlayFromCaretClick() {
  if (Compiling() || closed_) return;
  const long caret = Sci(edtMain, QsciScintillaBase::SCI_GETCURRENTPOS);
  playFromCaret_ = static_cast<size_t>(std::max(0L, caret));
  mnuRunClick();
  playFromCaret_.reset();  // used by the compile, or dropped with it
}

void TfrmMmlcplEditor::GoToSource(size_t position) {
  const long length = Sci(edtMain, QsciScintillaBase::SCI_GETLENGTH);
  edtMain->SendScintilla(QsciScintillaBase::SCI_GOTOPOS,
                         static_cast<unsigned long>(std::min<long>(static_cast<long>(position), length)));
  edtMain->setFocus();
}

void TfrmMmlcplEditor::mnuWavExportClick() {
  if (WavExport->Running()) return;
  const QString chosen = pelorund::UserPrompts().SaveFileName(
      this, FromPath(dialogDir_), pelorund::DialogFilter(app_texts::kFilterWav, "*.wav"), QStringLiteral("wav"));
  if (chosen.isEmpty()) return;
  std::string source;
  try {
    source = doc_text::JoinLines(DocumentLines());
  } catch (const std::exception& error) {
    ShowError(pelorund::ErrorText(error));
    return;
  }
  ShowStatus(QString());
  WavExport->Start(std::move(source), env_.ChordIni, ToPath(chosen));
}

void TfrmMmlcplEditor::WavExportFinished(bool written, bool cancelled, const QString& message) {
  if (written) {
    ShowStatus(FromCp932(app_texts::kStatusWavDone) + FromPath(WavExport->Target()));
  } else if (cancelled) {
    ShowStatus(FromCp932(app_texts::kStatusWavCancelled));
  } else {
    ShowError(message);
  }
}
