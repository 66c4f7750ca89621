// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// UTF-8 documents in the editor: read as they are, saved in their own encoding, the encoding
// shown and chosen in the save dialog; what code page 932 cannot hold named by row and column.
#include <Qsci/qsciscintilla.h>

#include <QLabel>
#include <QSignalSpy>

#include "AppTestSupport.h"
#include "app/EncodingChoiceU.h"

namespace app_test {
namespace {

using pelorund::TTextEncoding;

/// The save dialog's answers given in advance.
class TScriptedChooser : public encoding_choice::TEncodingChooser {
 public:
  std::optional<encoding_choice::TSaveChoice> Answer;
  std::vector<TTextEncoding> Offered;  // the encoding each dialog started with
  std::optional<encoding_choice::TSaveChoice> SaveFileName(QWidget*, const QString&, TTextEncoding current) override {
    Offered.push_back(current);
    return Answer;
  }
};

class EncodingTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    encoding_choice::SetEncodingChooser(&Chooser);
  }
  void TearDown() override {
    encoding_choice::SetEncodingChooser(nullptr);
    EditorTest::TearDown();
  }
  [[nodiscard]] QString WorkFile(const char* name) const { return QString::fromStdString((Root / "work" / name).string()); }
  TScriptedChooser Chooser;
};

TEST_F(EncodingTest, EachEncodingIsReadShownAndKeptWhenSaved) {
  const std::string utf8 = "' 春の歌 🎵\r\nc d\r\n";
  const struct {
    const char* Name;
    std::string Bytes;
    TTextEncoding Encoding;
    const char* Shown;
  } cases[] = {
      {"bom.mml", "\xEF\xBB\xBF" + utf8, TTextEncoding::Utf8Bom, "UTF-8 BOM付き"},
      {"plain.mml", utf8, TTextEncoding::Utf8, "UTF-8"},
      {"sjis.mml", Cp932("' 春の歌\r\nc d\r\n"), TTextEncoding::Cp932, "シフトJIS"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFile(c.Name, c.Bytes);
    TfrmMmlcplEditor& w = Start({Q(c.Name)});
    EXPECT_EQ(c.Encoding, w.DocEncoding);
    EXPECT_EQ(Q(c.Shown), w.EncodingPanel->text());
    EXPECT_EQ(QString::fromStdString(pelorund::DocumentToUtf8(c.Bytes, c.Encoding)).split(Q("\r\n")).first(),
              w.edtMain->text(0).trimmed());
    w.edtMain->append(Q(" e"));
    ASSERT_TRUE(w.mnuSaveClick());
    std::string expected = c.Bytes;
    expected.insert(expected.size() - 2, c.Encoding == TTextEncoding::Cp932 ? Cp932(" e") : " e");
    EXPECT_EQ(expected, ReadFile(Root / "work" / c.Name));
  }
}

TEST_F(EncodingTest, SaveAsChoosesTheEncoding) {
  TfrmMmlcplEditor& w = Start();
  w.edtMain->setText(Q("' 春\r\nc d"));
  Chooser.Answer = encoding_choice::TSaveChoice{WorkFile("song.mml"), TTextEncoding::Utf8Bom};
  ASSERT_TRUE(w.mnuSaveAsClick());
  EXPECT_EQ(std::vector<TTextEncoding>{TTextEncoding::Cp932}, Chooser.Offered);
  EXPECT_EQ("\xEF\xBB\xBF' 春\r\nc d\r\n", ReadFile(Root / "work" / "song.mml"));
  EXPECT_EQ(Q("UTF-8 BOM付き"), w.EncodingPanel->text());
  EXPECT_EQ(Q("song.mml - Pelorund"), w.windowTitle());

  Chooser.Answer = encoding_choice::TSaveChoice{WorkFile("song2.mml"), TTextEncoding::Cp932};
  ASSERT_TRUE(w.mnuSaveAsClick());
  EXPECT_EQ(TTextEncoding::Utf8Bom, Chooser.Offered.back());
  EXPECT_EQ(Cp932("' 春\r\nc d\r\n"), ReadFile(Root / "work" / "song2.mml"));

  Chooser.Answer.reset();  // cancelled
  EXPECT_FALSE(w.mnuSaveAsClick());
  EXPECT_EQ(Q("シフトJIS"), w.EncodingPanel->text());
}

TEST_F(EncodingTest, WhatCodePage932CannotHoldIsNamedNotReplaced) {
  WriteFile("emoji.mml", "' 旋律\r\nc 😀 d\r\n");
  TfrmMmlcplEditor& w = Start({Q("emoji.mml")});
  ASSERT_EQ(TTextEncoding::Utf8, w.DocEncoding);
  const QString message = Q("シフトJISで表せない文字があります: 2 行 3 桁");

  // Compiling needs code page 932: nothing is compiled, the place is named.
  w.mnuRunClick();
  EXPECT_FALSE(w.Compiling());
  ASSERT_EQ(1u, Prompts.Errors.size());
  EXPECT_EQ(message, Prompts.Errors.back());

  // Saving as code page 932 writes nothing; the file stays as it was.
  Chooser.Answer = encoding_choice::TSaveChoice{WorkFile("emoji.mml"), TTextEncoding::Cp932};
  EXPECT_FALSE(w.mnuSaveAsClick());
  ASSERT_EQ(2u, Prompts.Errors.size());
  EXPECT_EQ(message, Prompts.Errors.back());
  EXPECT_EQ("' 旋律\r\nc 😀 d\r\n", ReadFile(Root / "work" / "emoji.mml"));
}

}  // namespace
}  // namespace app_test
