// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/EditorSettingsU.h"
#include "common/DocumentEncoding.h"
#include "playback/midi_out.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSlider;
class QSpinBox;
class QTimer;
class QToolButton;
class QsciScintilla;
class TEditorRuler;
class TLiveCheck;
class TMusicFollower;
class TPianoRollDock;
class TWavExport;
class TPelorundFountain;
class TSmfPlayer;
class TfrmAbout;
class TfrmChord;
class TfrmChord2;
class TfrmFind;
class TfrmProgramChange;
class TfrmReplace;
class TfrmHelp;
class TfrmWarning;

/// Where the editor reads and writes its files and which MIDI devices it reaches.
struct TEditorEnvironment {
  std::filesystem::path AppDir;        // pelorund.bak, CompileLog.txt and pelorund.mid go here
  std::filesystem::path DialogDir;     // where the file dialogs start
  std::filesystem::path SettingsFile;  // the "MainForm" settings
  std::filesystem::path ChordIni;
  std::filesystem::path ProgressionIni;
  std::filesystem::path ControlsIni;
  std::filesystem::path ManualFile;
  TMidiBackendFactory MidiFactory;  // empty: the system's devices

  /// The running program's: its writable directory, its own name with ".ini", the data files
  /// beside it (or installed, or in the source tree's docs/ for the manual).
  static TEditorEnvironment ForProgram();
};

/// The main window: one MML document in the editor edtMain, its file commands, compile and
/// play, the device list, the settings file and the secondary windows.
class TfrmMmlcplEditor : public QMainWindow {
  Q_OBJECT
 public:
  /// Starts up: settings, the document named by the first argument that is no switch, the
  /// player with its device list and default device, then (without a document) the template.
  explicit TfrmMmlcplEditor(const QStringList& args, TEditorEnvironment env = TEditorEnvironment::ForProgram());
  /// Waits for a running compile and stops playback.
  ~TfrmMmlcplEditor() override;

  /// DocName := the bare file name (or UntitledName); title "DocName - Pelorund"; not modified.
  void SetDocName(const QString& fileName);
  /// Reads the file (code page 932) into the editor and names the document after it; a name
  /// with a directory makes that directory the working directory. Throws std::runtime_error
  /// when the file cannot be read (the document then stays as it was).
  void LoadDocument(const QString& fileName);
  /// Whether the caller may replace the document: asks about a modified one (Yes saves; false
  /// when the user cancels or the save did not happen).
  [[nodiscard]] bool ConfirmSave(const QString& caption);
  /// Replaces the text by the 124-line template, caret at the start, not modified.
  void FillNewTemplate();
  /// Status panel 3 := the message, every CR LF replaced by one blank.
  void ShowStatus(const QString& message);

  /// The editor's lines as code page 932 (none for an empty text).
  /// Throws std::runtime_error naming the row and column of a character without a code page 932 form.
  [[nodiscard]] std::vector<std::string> DocumentLines() const;
  /// The compile's output: DocName with ".mid", or AppDir/pelorund.mid for an untitled document.
  [[nodiscard]] std::filesystem::path OutputFileName() const;
  /// True while a compile runs in the background.
  [[nodiscard]] bool Compiling() const { return job_ != nullptr; }
  /// The environment the window was started with.
  [[nodiscard]] const TEditorEnvironment& Environment() const { return env_; }

  // --- document state ---
  QString DocName;
  const QString UntitledName = QStringLiteral("untitled.mml");
  const QString AppTitle = QStringLiteral("Pelorund");
  std::filesystem::path BackupFile;
  bool DocModified = false;
  bool IsPlaying = false;
  std::unique_ptr<TSmfPlayer> Player;
  /// The geometry read from the settings file at start-up.
  editor_settings::TWindowGeometry SettingsGeometry;

  // --- controls ---
  QsciScintilla* edtMain = nullptr;
  TPelorundFountain* PelorundFountain1 = nullptr;
  TEditorRuler* Ruler = nullptr;
  QSpinBox* SpinEdit1 = nullptr;
  QComboBox* cmbDevice = nullptr;
  QSlider* MCIPlayer = nullptr;
  QTimer* timerPlayer = nullptr;
  QToolButton* toolPlay = nullptr;
  QToolButton* toolStop = nullptr;
  std::array<QLabel*, 4> StatusPanels{};
  QMenu* PopupMenu1 = nullptr;
  QAction* smfBendOn = nullptr;
  QAction* smfVolMix = nullptr;
  QAction* NoteVelo = nullptr;
  QAction* OctaveRev = nullptr;
  TfrmAbout* frmAbout = nullptr;
  TfrmWarning* frmWarning = nullptr;
  TfrmHelp* frmHelp = nullptr;
  TfrmFind* frmFind = nullptr;
  TfrmReplace* frmReplace = nullptr;
  TfrmChord* frmChord = nullptr;
  TfrmChord2* frmChord2 = nullptr;
  TfrmProgramChange* frmProgramChange = nullptr;

  // --- following the music, the check as you type, the piano roll, encodings, WAV export ---
  TLiveCheck* LiveCheck = nullptr;
  TMusicFollower* Follower = nullptr;
  TPianoRollDock* PianoRoll = nullptr;
  TWavExport* WavExport = nullptr;
  QAction* PianoRollAction = nullptr;
  QLabel* EncodingPanel = nullptr;
  /// The encoding the document is read and saved in.
  pelorund::TTextEncoding DocEncoding = pelorund::TTextEncoding::Cp932;

 signals:
  /// A background compile has ended and its outcome has been shown (and playback started).
  void CompileFinished();

 public slots:
  /// New: asks about a modified document (Yes saves; a save that does not happen cancels), then the template.
  void mnuNewClick();
  /// Open: ConfirmSave, the open dialog, LoadDocument; errors in a message box.
  void mnuOpenClick();
  /// Saves (Save as for an untitled document); false when nothing was written.
  bool mnuSaveClick();
  /// Asks for a file name, then saves under it; false when cancelled or nothing was written.
  bool mnuSaveAsClick();
  /// Imports a Standard MIDI File with the four option marks as a new untitled document.
  void SMF1Click();
  /// Closes the window (with the close question).
  void mnuExitClick();
  /// Undo of edtMain.
  void mnuUndoClick();
  /// Redo of edtMain (context menu).
  void mnuRedoClick();
  /// Redo of edtMain (the tool bar's button).
  void ToolButton7Click();
  /// Cut of edtMain to the clipboard.
  void mnuCutClick();
  /// Copy of edtMain's selection.
  void mnuCopyClick();
  /// Paste into edtMain.
  void mnuPasteClick();
  /// Focuses edtMain, then selects all.
  void mnuSelectAllClick();
  /// Toggles the editor's overwrite mode.
  void N4Click();
  /// The font dialog; a chosen font is written to the settings file, then given to the editor.
  void N10Click();
  /// Compile and play: backup, background compile, then the outcome (CompileFinished).
  void mnuRunClick();
  /// Stops playback: timer off, all notes off, track bar to 0.
  void mnuStopClick();
  /// Shows the manual in the help window.
  void mnuHelpIndexClick();
  /// Shows the version window.
  void mnuAboutClick();
  /// Shows the find window.
  void mnuFindClick();
  /// Runs the find window's search again, shown or not.
  void mnuFindNextClick();
  /// Shows the replace window; a selection turns "選択範囲を置換" on.
  void mnuReplaceClick();
  /// Shows the program and control change window.
  void N12Click();
  /// Shows the chord input window.
  void aaaClick();
  /// Shows the chord progression window.
  void N15Click();
  /// Track jump: the spinner's value picks a "%track" line (0 the first, -1 the second ...).
  void SpinEdit1Change();
  /// Reopens the port on the chosen device (the first entry is the default device).
  void cmbDeviceChange();
  /// Copies the play position to the track bar while playing.
  void timerPlayerTimer();
  /// Status panel 0: the caret's line and its column in bytes of code page 932.
  void ShowCaretPos();
  /// Status panel 1: "変更" while the editor holds unsaved edits.
  void ShowModifiedMark();
  /// Status panel 2: "上書" or "挿入".
  void ShowInsertMode();
  /// Compile and play from the note or rest command at the caret (its first tick).
  void mnuPlayFromCaretClick();
  /// Renders the document through the built-in synthesizer into a WAV file, with a progress dialog.
  void mnuWavExportClick();
  /// Puts the caret on the command at a UTF-8 offset of the editor's text (a clicked note's).
  void GoToSource(size_t position);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct TCompileJob;

  void FormCreate(const QStringList& args);
  void CreateEditor();
  void CreateActions();
  void CreateToolBar();
  void CreateStatusBar();
  void EditorExchanged();
  void edtMainChange();

  void ApplyFont(const editor_settings::TFontSettings& font);
  void WriteGeometry();
  void ShowError(const QString& text);
  /// The file dialogs change the working directory to the chosen file's, as the document's
  /// name is resolved there.
  void EnterDirectoryOf(const QString& fileName);
  [[nodiscard]] QString AskSaveText(std::string_view question) const;

  void SetEditorText(const std::vector<std::string>& cp932Lines);
  [[nodiscard]] std::string LineUtf8(int line) const;
  /// Caret to a 1-based row and a 0-based column counted in characters.
  void PlaceCaret(int row, int column);
  /// Caret to a 0-based code page 932 byte count of the text joined by CR LF.
  void PlaceCaretAtByte(size_t offset);
  void WriteDocument(const std::filesystem::path& fileName) const;

  void StartCompile(std::unique_ptr<TCompileJob> job);
  void CompileDone();
  void FinishCompile();
  void StartPlaying(const TCompileJob& job);

  void CreateMusicViews();
  void SetDocEncoding(pelorund::TTextEncoding encoding);
  /// Writes the document in its own encoding (Save); throws like WriteDocument.
  void SaveDocumentFile(const std::filesystem::path& fileName) const;
  /// Gives the compile a source map and a copy of the text it is made from.
  void PrepareSourceMap(TCompileJob& job);
  void WavExportFinished(bool written, bool cancelled, const QString& message);
  std::optional<size_t> playFromCaret_;  // the caret's offset for the next compile and play

  TEditorEnvironment env_;
  editor_settings::TEditorSettings settings_;
  editor_settings::TFontSettings font_;
  std::filesystem::path dialogDir_;
  bool shownOnce_ = false;
  bool closed_ = false;
  int wheelDelta_ = 0;
  std::unique_ptr<TCompileJob> job_;
  std::jthread compileThread_;
};
