// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmChord2U.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <algorithm>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"
#include "app/EditorTextU.h"
#include "common/InputTextU.h"

using pelorund::FromCp932;

namespace {

constexpr int kColumns = 13;
constexpr int kRowHeight = 16;
constexpr int kNameWidth = 80;
constexpr int kToneWidth = 44;

void ShapeLikeGrid(QTableView* view) {
  view->horizontalHeader()->hide();
  view->verticalHeader()->hide();
  view->verticalHeader()->setMinimumSectionSize(kRowHeight);
  view->verticalHeader()->setDefaultSectionSize(kRowHeight);
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->horizontalHeader()->setMinimumSectionSize(kToneWidth);
  view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setWordWrap(false);
  view->setTabKeyNavigation(false);
}

}  // namespace

TChordGrid::TChordGrid(QWidget* parent)
    : QTableView(parent), model_(new QStandardItemModel(0, kColumns, this)), fixed_(new QTableView(this)) {
  setModel(model_);
  ShapeLikeGrid(this);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::ClickFocus);  // Tab passes the grid by
  setViewportMargins(0, kFixedRows * kRowHeight, 0, 0);

  fixed_->setModel(model_);
  ShapeLikeGrid(fixed_);
  fixed_->setFrameShape(QFrame::NoFrame);
  fixed_->setFocusPolicy(Qt::NoFocus);
  fixed_->setSelectionMode(QAbstractItemView::NoSelection);
  fixed_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fixed_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, fixed_->horizontalScrollBar(),
          &QScrollBar::setValue);

  SetColumnWidths(kNameWidth, kToneWidth);
  SetRowCount(kFixedRows);
}

void TChordGrid::SetColumnWidths(int nameWidth, int toneWidth) {
  for (int column = 0; column < kColumns; ++column) {
    const int width = column == 0 ? nameWidth : toneWidth;
    setColumnWidth(column, width);
    fixed_->setColumnWidth(column, width);
  }
}

void TChordGrid::SetRowCount(int rows) {
  const int before = model_->rowCount();
  model_->setRowCount(std::max(rows, kFixedRows));
  const QBrush headerBack = palette().brush(QPalette::ToolTipBase);
  const QBrush headerText = palette().brush(QPalette::ToolTipText);
  for (int row = before; row < model_->rowCount(); ++row) {
    const bool header = row < kFixedRows;
    for (int column = 0; column < kColumns; ++column) {
      auto* item = new QStandardItem;
      item->setFlags(header ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      if (header) {
        item->setBackground(headerBack);
        item->setForeground(headerText);
      }
      if (column > 0) item->setTextAlignment(Qt::AlignCenter);
      model_->setItem(row, column, item);
    }
  }
  // The header rows live in the fixed view, the others in the scrolling one.
  for (int row = 0; row < model_->rowCount(); ++row) {
    setRowHidden(row, row < kFixedRows);
    fixed_->setRowHidden(row, row >= kFixedRows);
  }
  PlaceFixedRows();
}

int TChordGrid::RowCount() const { return model_->rowCount(); }

QString TChordGrid::Cell(int column, int row) const {
  const QStandardItem* item = model_->item(row, column);
  return item != nullptr ? item->text() : QString();
}

void TChordGrid::SetCell(int column, int row, const QString& text) {
  if (QStandardItem* item = model_->item(row, column)) item->setText(text);
}

int TChordGrid::Row() const {
  const int row = currentIndex().row();
  return row >= kFixedRows ? row : -1;
}

void TChordGrid::SetRow(int row) {
  if (row < kFixedRows || row >= model_->rowCount()) return;
  setCurrentIndex(model_->index(row, 0));
  selectRow(row);
}

void TChordGrid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  PlaceFixedRows();
}

void TChordGrid::PlaceFixedRows() {
  fixed_->setGeometry(frameWidth(), frameWidth(), viewport()->width(), kFixedRows * kRowHeight);
}

TfrmChord2::TfrmChord2(QWidget* owner, QsciScintilla* editor, const std::filesystem::path& chordIni)
    : TToolWindow(owner, TCentre::Owner, true), editor_(editor) {
  setWindowTitle(FromCp932(app_texts::kMenuChord));
  Grid = new TChordGrid(this);
  RootKey = new TRadioGroup(
      FromCp932(app_texts::kChord2RootGroup),
      {QStringLiteral("C"), QStringLiteral("C#/Db"), QStringLiteral("D"), QStringLiteral("D#/Eb"),
       QStringLiteral("E"), QStringLiteral("F"), QStringLiteral("F#/Gb"), QStringLiteral("G"),
       QStringLiteral("G#/Ab"), QStringLiteral("A"), QStringLiteral("A#/Bb"), QStringLiteral("B")},
      12, this);
  cmbFlag = new TRadioGroup(FromCp932(app_texts::kChordMarkGroup),
                            {QStringLiteral("+"), QStringLiteral("#"), QStringLiteral("-")}, 3, this);
  btnOK = new QPushButton(FromCp932(app_texts::kWrite), this);
  btnCancel = new QPushButton(FromCp932(app_texts::kClose), this);
  for (QPushButton* button : {btnOK, btnCancel}) button->setAutoDefault(false);

  connect(RootKey, &TRadioGroup::Clicked, this, &TfrmChord2::RootKeyClick);
  connect(Grid, &QAbstractItemView::doubleClicked, this, &TfrmChord2::btnOKClick);
  connect(btnOK, &QPushButton::clicked, this, &TfrmChord2::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::close);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(cmbFlag);
  bottom->addStretch();
  bottom->addWidget(btnOK);
  bottom->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Grid, 1);
  layout->addWidget(RootKey);
  layout->addLayout(bottom);
  resize(820, 324);

  // The design width of a tone column holds the longest header ("Tri/#11") only in a narrow
  // font; wider fonts widen the columns rather than cut the names short.
  int toneWidth = kToneWidth;
  const QFontMetrics metrics(Grid->font());
  for (int q = 0; q < 12; ++q) {
    for (std::string_view name : {input_text::IntervalName(q), input_text::HeaderNoteName(q)}) {
      toneWidth = std::max(toneWidth, metrics.horizontalAdvance(FromCp932(name)) + 8);
    }
  }
  Grid->SetColumnWidths(kNameWidth, toneWidth);

  // FormCreate: the header rows for the root "C", then one row per line of section "chord".
  FillHeader(0);
  const std::vector<input_text::TChordRow> rows = input_text::ReadChordRows(pelorund::TIniFile(chordIni));
  Grid->SetRowCount(TChordGrid::kFixedRows + static_cast<int>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    const int row = TChordGrid::kFixedRows + static_cast<int>(i);
    names_.push_back(rows[i].Name);
    Grid->SetCell(0, row, FromCp932(rows[i].Name));
    for (int q = 0; q < 12; ++q) Grid->SetCell(q + 1, row, FromCp932(rows[i].Marks[static_cast<size_t>(q)]));
  }
  Grid->SetRow(TChordGrid::kFixedRows);
}

void TfrmChord2::FillHeader(int root) {
  for (int row = 0; row < TChordGrid::kFixedRows; ++row) {
    for (int column = 0; column < 13; ++column) Grid->SetCell(column, row, QString());
  }
  for (int q = 0; q < 12; ++q) {
    Grid->SetCell(q + 1, 0, FromCp932(input_text::IntervalName(root + q)));
    Grid->SetCell(q + 1, 1, FromCp932(input_text::HeaderNoteName(root + q)));
  }
}

void TfrmChord2::RootKeyClick() { FillHeader(RootKey->ItemIndex()); }

void TfrmChord2::btnOKClick() {
  const int row = Grid->Row();
  if (row < TChordGrid::kFixedRows || static_cast<size_t>(row - TChordGrid::kFixedRows) >= names_.size())
    return;
  const std::string text = input_text::ChordText(RootKey->ItemIndex(), cmbFlag->ItemIndex(),
                                                 names_[static_cast<size_t>(row - TChordGrid::kFixedRows)]);
  editor_text::InsertAtCaret(*editor_, FromCp932(text));
  editor_text::FocusEditor(*editor_);
}
