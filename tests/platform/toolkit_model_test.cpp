// The toolkit's model objects: menu items, the memo, shortcuts, the status bar.
#include <string>
#include <vector>

#include "tests/platform/toolkit_fixture.h"

namespace {

using toolkit::TMainMenu;
using toolkit::TMemo;
using toolkit::TMenuItem;
using toolkit::TStatusBar;
using toolkit_test::ToolkitTest;

TMenuItem& AddItem(TMenuItem& parent, const char* name, const char* caption) {
  return parent.Add(std::make_unique<TMenuItem>(name, caption));
}

TEST(MenuModel, FindSearchesTheTreeAndClickHonoursEnabled) {
  TMainMenu bar("MainMenu1");
  TMenuItem& file = AddItem(bar, "File1", "File");
  TMenuItem& level = AddItem(file, "MessageLevel1", "Message Level");
  TMenuItem& debug = AddItem(level, "Debug", "Debug");
  TMenuItem& exit = AddItem(file, "Exit1", "E&xit");
  TMenuItem& test = AddItem(bar, "Test1", "Rover &Test");

  EXPECT_EQ(bar.Find("MainMenu1"), &bar);
  EXPECT_EQ(bar.Find("Debug"), &debug);
  EXPECT_EQ(bar.Find("Test1"), &test);
  EXPECT_EQ(level.Find("Exit1"), nullptr);
  EXPECT_EQ(bar.Find("About1"), nullptr);
  EXPECT_EQ(debug.Parent(), &level);
  EXPECT_EQ(bar.Count(), 2u);
  EXPECT_EQ(&file.Items(1), &exit);

  int clicks = 0;
  rtl::TObject* sender = nullptr;
  exit.OnClick = [&](rtl::TObject* s) {
    ++clicks;
    sender = s;
  };
  exit.Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(sender, &exit);
  exit.SetEnabled(false);
  exit.Click();
  EXPECT_EQ(clicks, 1);
  debug.Click();  // no handler: nothing happens
}

TEST(MemoModel, AppendSplitsOnEveryKindOfLineBreak) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {""}},
      {"Modem detected at 9600", {"Modem detected at 9600"}},
      {"label\r\n050\r\n", {"label", "050", ""}},
      {"a\rb\nc", {"a", "b", "c"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"\r", {"", ""}},
  };
  for (const Case& c : cases) {
    TMemo memo("Output_Memo");
    std::vector<std::string> reported;
    memo.OnLineAdded = [&](const std::string& line) { reported.push_back(line); };
    memo.Append(c.text);
    EXPECT_EQ(memo.Lines(), c.lines) << c.text;
    EXPECT_EQ(reported, c.lines) << c.text;
  }
}

TEST_F(ToolkitTest, MemoCopiesItsWholeTextOnlyWhenSelected) {
  TMemo memo("Output_Memo");
  memo.Append("first");
  memo.Append("");
  memo.Append("last");
  EXPECT_EQ(memo.Text(), "first\n\nlast");

  ui->clipboard = "before";
  memo.CopyToClipboard();
  EXPECT_EQ(ui->clipboard, "before");

  memo.SelectAll();
  EXPECT_EQ(memo.SelectedText(), "first\n\nlast");
  memo.CopyToClipboard();
  EXPECT_EQ(toolkit::ClipboardText(), "first\n\nlast");

  // A line written after the copy is not in it, and drops the selection.
  memo.Append("Test Finished, results copied to clipboard");
  EXPECT_EQ(memo.SelectedText(), "");
  EXPECT_EQ(ui->clipboard, "first\n\nlast");

  bool cleared = false;
  memo.OnCleared = [&] { cleared = true; };
  memo.Clear();
  EXPECT_TRUE(cleared);
  EXPECT_TRUE(memo.Lines().empty());
  EXPECT_EQ(memo.Text(), "");
}

TEST(ShortCuts, DecodeKeyAndModifiers) {
  struct Case {
    std::uint16_t code;
    const char* text;
  };
  const Case cases[] = {
      {32856, "Alt+X"},
      {16468, "Ctrl+T"},
      {0, ""},
      {toolkit::scShift | 0x74, "Shift+F5"},
      {toolkit::scCtrl | toolkit::scShift | 0x2E, "Ctrl+Shift+Del"},
      {'7', "7"},
      {toolkit::scCtrl | 0xBA, ""},  // a key without a name here
  };
  for (const Case& c : cases) EXPECT_EQ(toolkit::ShortCutToText(c.code), c.text) << c.code;
}

TEST(StatusBarModel, ElapsedTimeFormat) {
  EXPECT_EQ(TStatusBar::FormatElapsed(0), "0:00");
  EXPECT_EQ(TStatusBar::FormatElapsed(42), "0:42");
  EXPECT_EQ(TStatusBar::FormatElapsed(605), "10:05");
  EXPECT_EQ(TStatusBar::FormatElapsed(3723), "1:02:03");
  EXPECT_EQ(TStatusBar::FormatElapsed(-3), "0:00");
}

}  // namespace
