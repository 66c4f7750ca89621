// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTableView>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ToolWindowU.h"

class QPushButton;
class QStandardItemModel;
class QsciScintilla;

/// A grid of text cells whose first two rows are header rows that stay in place while the rows
/// below them scroll; whole rows are selected.
class TChordGrid : public QTableView {
  Q_OBJECT
 public:
  static constexpr int kFixedRows = 2;

  /// 13 columns, no rows.
  explicit TChordGrid(QWidget* parent);

  /// Widths of column 0 and of the twelve others, in both the header rows and the others.
  void SetColumnWidths(int nameWidth, int toneWidth);
  /// Rows including the two header rows (at least those two).
  void SetRowCount(int rows);
  [[nodiscard]] int RowCount() const;
  /// The text of a cell; empty outside the grid.
  [[nodiscard]] QString Cell(int column, int row) const;
  /// Sets the text of a cell inside the grid.
  void SetCell(int column, int row, const QString& text);
  /// The current row (one below the header rows), -1 when the grid has none.
  [[nodiscard]] int Row() const;
  /// Makes a row below the header rows current and selects it.
  void SetRow(int row);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PlaceFixedRows();

  QStandardItemModel* model_;
  QTableView* fixed_;  // shows the header rows over the top margin
};

/// The chord input window "コード入力": every chord of chord.ini with its tones marked by
/// interval under header rows that follow the root; writes «Root(name) » at the editor's caret.
class TfrmChord2 : public TToolWindow {
  Q_OBJECT
 public:
  /// Reads chord.ini once (a missing file reads as empty) and writes into `editor` (not owned).
  TfrmChord2(QWidget* owner, QsciScintilla* editor, const std::filesystem::path& chordIni);

  TChordGrid* Grid;
  TRadioGroup* RootKey;
  TRadioGroup* cmbFlag;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 public slots:
  /// Fills the two header rows again for the chosen root.
  void RootKeyClick();
  /// Writes the current row's chord on the chosen root; the window stays open.
  void btnOKClick();

 private:
  void FillHeader(int root);

  std::vector<std::string> names_;  // chord names (code page 932), row i + 2 for entry i
  QsciScintilla* editor_;
};
