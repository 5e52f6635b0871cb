// The headless backend: scripted and terminal prompts, message boxes, the
// error box, and what an open prompt or box keeps handling.
#include <optional>
#include <string>
#include <vector>

#include "tests/platform/toolkit_fixture.h"

namespace {

using toolkit::MessageIcon;
using toolkit_test::LambdaThread;
using toolkit_test::ToolkitTest;

using HeadlessPrompt = ToolkitTest;
using HeadlessBox = ToolkitTest;

TEST_F(HeadlessPrompt, ScriptedAnswersAreOkWithTextOrCancel) {
  ui->promptAnswers = {"5551234", "", std::nullopt, std::string(300, '9')};
  std::string number = "initial";
  EXPECT_TRUE(toolkit::InputQuery("Enter Phone Number", "Phone Number", number));
  EXPECT_EQ(number, "5551234");
  EXPECT_TRUE(toolkit::InputQuery("Enter Phone Number", "Phone Number", number));
  EXPECT_EQ(number, "");
  number = "kept";
  EXPECT_FALSE(toolkit::InputQuery("Confirm Phone Number", "Phone Number to dial", number));
  EXPECT_EQ(number, "kept");
  EXPECT_TRUE(toolkit::InputQuery("Enter Phone Number", "Phone Number", number));
  EXPECT_EQ(number, std::string(255, '9'));
  // None left and no terminal: Cancel.
  EXPECT_FALSE(toolkit::InputQuery("Enter Phone Number", "Phone Number", number));

  ASSERT_EQ(ui->prompts.size(), 5u);
  EXPECT_EQ(ui->prompts[2].title, "Confirm Phone Number");
  EXPECT_EQ(ui->prompts[2].label, "Phone Number to dial");
  EXPECT_EQ(ui->prompts[2].initial, "kept");
  EXPECT_EQ(out.str(), "");
}

TEST_F(HeadlessPrompt, TerminalModeReadsALinePerPrompt) {
  struct Case {
    const char* typed;
    bool ok;
    const char* value;
  };
  const Case cases[] = {
      {"5551234\n", true, "5551234"},
      {"42\r\n", true, "42"},
      {"\n", false, "old"},
      {"", false, "old"},  // end of input
  };
  ui->terminal = true;
  for (const Case& c : cases) {
    in.clear();
    in.str(c.typed);
    out.str("");
    std::string value = "old";
    EXPECT_EQ(toolkit::InputQuery("Enter Phone Number", "Phone Number", value), c.ok) << c.typed;
    EXPECT_EQ(value, c.value) << c.typed;
    // An answer that never came still ends the prompt's line.
    EXPECT_EQ(out.str(), std::string("Enter Phone Number - Phone Number [old]: ") +
                             (*c.typed ? "" : "\n"));
  }
  // A scripted answer still comes first.
  ui->promptAnswers = {"scripted"};
  std::string value;
  EXPECT_TRUE(toolkit::InputQuery("t", "l", value));
  EXPECT_EQ(value, "scripted");
}

TEST_F(HeadlessBox, BoxesAreRecordedPrintedAndWaitForEnterOnTheTerminal) {
  std::vector<std::string> seen;
  ui->onMessageBox = [&](const toolkit::HeadlessBackend::Box& box) { seen.push_back(box.caption); };
  const std::string text =
      "Please cycle power on modem, press OK when modem fully powered up. (";
  toolkit::ShowMessageBox("Action Required", text, MessageIcon::Warning);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].text, text);
  EXPECT_EQ(ui->boxes[0].icon, MessageIcon::Warning);
  EXPECT_EQ(seen, std::vector<std::string>{"Action Required"});
  EXPECT_EQ(out.str(), "Action Required: " + text + "\n");

  ui->terminal = true;
  in.str("\nleft over\n");
  toolkit::ShowMessageBox("Note", "text", MessageIcon::None);
  std::string rest;
  std::getline(in, rest);
  EXPECT_EQ(rest, "left over");
  ui->terminal = false;
  toolkit::ShowMessageBox("Note", "again", MessageIcon::None);  // end of input is fine
  EXPECT_EQ(ui->boxes.size(), 3u);
}

TEST_F(HeadlessBox, AnOpenBoxHandlesSynchronisedCallsButNotRequests) {
  bool handled = false;
  bool handledWhileOpen = false;
  LambdaThread worker([&] { platform::Synchronize([&] { handled = true; }); });
  ui->onMessageBox = [&](const toolkit::HeadlessBackend::Box&) {
    worker.Resume();
    App().ServeWhileModal();
    handledWhileOpen = handled;
  };
  App().Terminate();
  toolkit::ShowMessageBox("Action Required", "text", MessageIcon::Warning);
  EXPECT_TRUE(handledWhileOpen);
  EXPECT_FALSE(App().Terminated());
  App().ProcessMessages();
  EXPECT_TRUE(App().Terminated());
}

TEST_F(HeadlessPrompt, ATerminalPromptHandlesSynchronisedCallsWhileItWaits) {
  bool handled = false;
  LambdaThread worker([&] { platform::Synchronize([&] { handled = true; }); });
  worker.Resume();
  ui->terminal = true;
  in.str("5551234\n");
  std::string value;
  EXPECT_TRUE(toolkit::InputQuery("Enter Phone Number", "Phone Number", value));
  EXPECT_TRUE(handled);
}

}  // namespace
