#include "app/Strings.h"
#include "app/TerminalText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Strings::BoolToText;
using Strings::ByteToText;
using Strings::IntToText;
using Strings::PrintableText;
using Strings::TextToByte;

TEST(Strings, NumbersToText) {
  EXPECT_EQ(IntToText(-5), "-5");
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(2147483647), "2147483647");
  EXPECT_EQ(IntToText(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(ByteToText(0), "0");
  EXPECT_EQ(ByteToText(7), "7");
  EXPECT_EQ(ByteToText(255), "255");
  EXPECT_EQ(BoolToText(false), "False");
  EXPECT_EQ(BoolToText(true), "True");
}

struct TextToByteCase {
  const char* text;
  int expected;
};

class TextToByteTest : public testing::TestWithParam<TextToByteCase> {};

TEST_P(TextToByteTest, ReadsTheLowByte) {
  EXPECT_EQ(TextToByte(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Decimal, TextToByteTest,
                         testing::Values(TextToByteCase{"050", 50}, TextToByteCase{" 12", 12},
                                         TextToByteCase{"   7", 7}, TextToByteCase{"300", 44},
                                         TextToByteCase{"+9", 9}, TextToByteCase{"-1", 255},
                                         TextToByteCase{"-256", 0}, TextToByteCase{"-0", 0},
                                         TextToByteCase{"0000000000000000000042", 42},
                                         TextToByteCase{"2147483647", 255},
                                         TextToByteCase{"-2147483648", 0},
                                         TextToByteCase{"-2147483647", 1}));

INSTANTIATE_TEST_SUITE_P(Hexadecimal, TextToByteTest,
                         testing::Values(TextToByteCase{"$1F", 31}, TextToByteCase{"x1f", 31},
                                         TextToByteCase{"X1F", 31}, TextToByteCase{"0x1F", 31},
                                         TextToByteCase{"0XaB", 171}, TextToByteCase{" $10", 16},
                                         TextToByteCase{"$1234", 0x34},
                                         TextToByteCase{"$FFFFFFFF", 255},
                                         TextToByteCase{"$000000000000FF", 255}));

// Anything not of the accepted form gives 0, also when it starts like a number.
INSTANTIATE_TEST_SUITE_P(
    Rejected, TextToByteTest,
    testing::Values(TextToByteCase{"", 0}, TextToByteCase{"   ", 0}, TextToByteCase{"abc", 0},
                    TextToByteCase{"12 ", 0}, TextToByteCase{"1 2", 0}, TextToByteCase{"12a", 0},
                    TextToByteCase{"+", 0}, TextToByteCase{"-", 0}, TextToByteCase{"+-5", 0},
                    TextToByteCase{"$", 0}, TextToByteCase{"0x", 0}, TextToByteCase{"$1G", 0},
                    TextToByteCase{"-$5", 0}, TextToByteCase{"+0x5", 0},
                    TextToByteCase{"$-5", 0}, TextToByteCase{"00x5", 0},
                    TextToByteCase{"1.5", 0}, TextToByteCase{"\t5", 0},
                    TextToByteCase{"\r\n050\r\n", 0}, TextToByteCase{"2147483648", 0},
                    TextToByteCase{"-2147483649", 0}, TextToByteCase{"99999999999999999999301", 0},
                    TextToByteCase{"$100000000", 0}, TextToByteCase{"$FFFFFFFFFFFFFFFFFF01", 0}));

TEST(Strings, PrintableTextDropsOnlyControlCharacters) {
  EXPECT_EQ(PrintableText("\r\n050\r\n"), "050");
  EXPECT_EQ(PrintableText("AT S7?"), "AT S7?");
  EXPECT_EQ(PrintableText(""), "");
  EXPECT_EQ(PrintableText(std::string("a\0b\x1f" "c\x7f", 6)), "abc\x7f");
  // Bytes above 127 are printable, whatever the signedness of char.
  EXPECT_EQ(PrintableText("\x80\xff\x1b" "x"), "\x80\xff" "x");
}

TEST(Strings, PrintableTextHandlesTextsOfAnyLength) {
  std::string text;
  for (int i = 0; i < 40000; ++i) text += "A\r\n";
  std::string printable = PrintableText(text);
  EXPECT_EQ(printable, std::string(40000, 'A'));
}

// What a terminal is shown of a log line: controls and broken UTF-8 as
// escapes, line ends, tabs and well-formed text as they are.
TEST(TerminalText, ControlsAndBrokenUtf8BecomeEscapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"Modem Type \r\nX 33600\r\n\tok \\Q0", "Modem Type \r\nX 33600\r\n\tok \\Q0"},
      {"\x1b]0;owned\x07\x1b[2J", "\\x1b]0;owned\\x07\\x1b[2J"},
      {std::string("a\0b\x7f", 4), "a\\x00b\\x7f"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\x9e", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\x9e"},
      {"\xc2\x9b" "31m", "\\xc2\\x9b" "31m"},             // C1 CSI, well formed
      {"\x9b" "31m\xff\xc3", "\\x9b" "31m\\xff\\xc3"},   // lone bytes, a cut sequence
      {"\xc0\xaf\xed\xa0\x80", "\\xc0\\xaf\\xed\\xa0\\x80"},  // overlong, surrogate
      {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},      // above U+10FFFF
      // Bidirectional overrides and isolates, zero-width characters, BOM;
      // their neighbours U+200A, U+2010, U+2029, U+202F, U+2065, U+206A stay.
      {"a\xe2\x80\xaetxt.exe\xe2\x80\xac", "a\\xe2\\x80\\xaetxt.exe\\xe2\\x80\\xac"},
      {"\xe2\x80\xaa\xe2\x81\xa6\xe2\x81\xa9", "\\xe2\\x80\\xaa\\xe2\\x81\\xa6\\xe2\\x81\\xa9"},
      {"x\xe2\x80\x8by\xe2\x80\x8f\xef\xbb\xbf", "x\\xe2\\x80\\x8by\\xe2\\x80\\x8f\\xef\\xbb\\xbf"},
      {"\xe2\x80\x8a\xe2\x80\x90\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa",
       "\xe2\x80\x8a\xe2\x80\x90\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa"},
  };
  for (const auto& [text, shown] : cases) {
    EXPECT_EQ(console::TerminalSafeText(text), shown);
  }
}

}  // namespace
