// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pelorundFountain.h"

#include <Qsci/qsciscintilla.h>

#include "AppTestSupport.h"

namespace app_test {
namespace {

// One letter per style, as the expectations below write them.
char StyleLetter(int style) {
  switch (style) {
    case TPelorundFountain::Default: return '.';
    case TPelorundFountain::Ank: return 'A';
    case TPelorundFountain::Comment: return 'C';
    case TPelorundFountain::DBCS: return 'D';
    case TPelorundFountain::Int: return 'I';
    case TPelorundFountain::Str: return 'S';
    case TPelorundFountain::Symbol: return 'Y';
    case TPelorundFountain::Macro: return 'M';
    case TPelorundFountain::Chord: return 'H';
    case TPelorundFountain::Brace: return 'B';
    default: return '?';
  }
}

// The editor with the colouring attached, as the main window sets it up.
class FountainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    editor_ = std::make_unique<QsciScintilla>();
    editor_->setUtf8(true);
    fountain_ = new TPelorundFountain(editor_.get());
    editor_->setLexer(fountain_);
  }

  // The style letter of every character of each line (line breaks left out); a character of
  // several bytes must carry one style over all of them.
  std::vector<std::string> Styles() {
    editor_->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
    std::vector<std::string> lines;
    for (int line = 0; line < editor_->lines(); ++line) {
      long pos = editor_->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
      const long end = editor_->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
      std::string letters;
      while (pos < end) {
        const long next = editor_->SendScintilla(QsciScintillaBase::SCI_POSITIONAFTER, static_cast<unsigned long>(pos));
        const long style = editor_->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, static_cast<unsigned long>(pos));
        for (long byte = pos + 1; byte < next; ++byte) {
          if (editor_->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, static_cast<unsigned long>(byte)) != style) {
            letters += '!';
          }
        }
        letters += StyleLetter(static_cast<int>(style));
        pos = next;
      }
      lines.push_back(letters);
    }
    return lines;
  }

  std::unique_ptr<QsciScintilla> editor_;
  TPelorundFountain* fountain_ = nullptr;
};

TEST_F(FountainTest, ColoursEachTokenKind) {
  struct {
    const char* text;
    std::vector<std::string> styles;
  } cases[] = {
      {"%track0 @y2", {"YYYYYYI.YYI"}},
      {"$mute01={@mute};", {"YYYYYYYYBBBBBBBY"}},
      {"c(M7)4 [c d]2", {"AHHHHI.MA.AMI"}},
      {"'コメント", {"CCCCC"}},
      {"\"あ\"x", {"SSSA"}},
      {"{マ}x", {"BBBA"}},
      {"c\tあい ｱ.", {"A.DD.DY"}},
      {"{ abc\r\n  def } g\r\nc", {"BBBBB", "..BBBBB.A", "A"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    editor_->setText(Q(c.text));
    EXPECT_EQ(Styles(), c.styles);
  }
}

TEST_F(FountainTest, EditsRecolourTheLinesBelow) {
  editor_->setText(Q("c\r\nd\r\n}e"));
  EXPECT_EQ(Styles(), (std::vector<std::string>{"A", "A", "YA"}));
  editor_->insertAt(Q("{"), 0, 0);
  EXPECT_EQ(Styles(), (std::vector<std::string>{"BB", "B", "BA"}));
  editor_->setSelection(0, 0, 0, 1);
  editor_->removeSelectedText();
  EXPECT_EQ(Styles(), (std::vector<std::string>{"A", "A", "YA"}));
}

TEST_F(FountainTest, DefaultTextTakesTheFontColour) {
  QFont font(Q("IPAGothic"));
  font.setPointSize(13);
  fountain_->SetEditorFont(font, QColor(10, 20, 30));
  EXPECT_EQ(fountain_->color(TPelorundFountain::Default), QColor(10, 20, 30));
  EXPECT_EQ(fountain_->color(TPelorundFountain::Ank), QColor(128, 0, 0));
  EXPECT_EQ(fountain_->font(TPelorundFountain::Int).pointSize(), 13);
  EXPECT_TRUE(fountain_->font(TPelorundFountain::Macro).bold());
  EXPECT_FALSE(fountain_->font(TPelorundFountain::Symbol).bold());
}

}  // namespace
}  // namespace app_test
