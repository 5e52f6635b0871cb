#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/TelvoraMain.h"
#include "platform/clock.h"
#include "platform/threads.h"
#include "platform/toolkit/headless.h"
#include "tests/support/Scenario.h"
#include "tests/support/ScopedEnv.h"

namespace {

using toolkit::TMenuItem;

// One line per menu item, indented by depth, with what the user sees of it.
void Describe(const TMenuItem& item, int depth, std::vector<std::string>& out) {
  for (std::size_t i = 0; i < item.Count(); ++i) {
    const TMenuItem& child = item.Items(i);
    std::string line = std::string(depth * 2, ' ') + child.Name() + " \"" + child.Caption() + "\"";
    if (child.ShortCut()) line += " shortcut " + std::to_string(child.ShortCut());
    if (child.Checked()) line += " checked";
    if (!child.Enabled()) line += " disabled";
    out.push_back(line);
    Describe(child, depth + 1, out);
  }
}

std::vector<std::string> MenuTree(const TMenuItem& menu) {
  std::vector<std::string> out;
  Describe(menu, 0, out);
  return out;
}

class MainFormTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetMainThread();
    toolkit::Application::Instance().Reset();
    auto backend = std::make_unique<toolkit::HeadlessBackend>();
    ui = backend.get();
    toolkit::Application::Instance().SetBackend(std::move(backend));
    form = std::make_unique<TMain_Form>();
  }
  void TearDown() override {
    form.reset();
    toolkit::Application::Instance().Reset();
  }

  std::vector<TMenuItem*> PortItems() const {
    return {form->COM11, form->COM21, form->COM31, form->COM41, form->COM51,
            form->COM61, form->COM71, form->COM81, form->COM91, form->COM101};
  }
  std::vector<TMenuItem*> LevelItems() const {
    return {form->Summary, form->Minimal, form->Normal, form->Verbose, form->Debug};
  }
  static std::vector<std::size_t> CheckedIndexes(const std::vector<TMenuItem*>& items) {
    std::vector<std::size_t> checked;
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i]->Checked()) checked.push_back(i);
    return checked;
  }

  toolkit::HeadlessBackend* ui = nullptr;
  std::unique_ptr<TMain_Form> form;
};

TEST_F(MainFormTest, WindowAsStored) {
  EXPECT_EQ(form->Name(), "Main_Form");
  EXPECT_EQ(form->Caption, "Telvora");
  EXPECT_EQ(form->Left, 264);
  EXPECT_EQ(form->Top, 277);
  EXPECT_EQ(form->Width, 603);
  EXPECT_EQ(form->Height, 248);
  EXPECT_EQ(form->Menu, &form->MainMenu1);
  EXPECT_EQ(form->ClientMemo, &form->Output_Memo);
  EXPECT_TRUE(form->Output_Memo.Lines().empty());

  EXPECT_FALSE(form->Timer.Enabled());
  EXPECT_EQ(form->Timer.Interval(), 1500u);
  EXPECT_TRUE(form->Timer.OnTimer);

  // FormCreate's start values.
  EXPECT_EQ(form->PhoneNumber, DefaultPhoneNumber);
  EXPECT_FALSE(std::string(DefaultPhoneNumber).empty());
  EXPECT_FALSE(form->PhoneNumberSet);
  EXPECT_EQ(form->MessageLevel, 2);
  EXPECT_FALSE(form->LineNoticesEnabled);
}

TEST_F(MainFormTest, MenuTreeAsStored) {
  const std::vector<std::string> expected = {
      "File1 \"File\"",
      "  N1 \"Phone Number\"",
      "  N3 \"-\"",
      "  NextelPhone \"Nextel Phone\"",
      "  N2 \"-\"",
      "  MessageLevel1 \"Message Level\"",
      "    Summary \"Summary\"",
      "    Minimal \"Minimal\"",
      "    Normal \"Normal\" checked",
      "    Verbose \"Verbose\"",
      "    Debug \"Debug\"",
      "  N4 \"-\"",
      "  SaveLog1 \"Save &Log...\" shortcut 16467",
      "  SaveReport1 \"Save &Report...\" disabled",
      "  RecordTrace1 \"Record Trace...\"",
      "  Exit1 \"E&xit\" shortcut 32856",
      "Port1 \"&Port\"",
      "  COM11 \"COM1\" checked",
      "  COM21 \"COM2\"",
      "  COM31 \"COM3\"",
      "  COM41 \"COM4\"",
      "  COM51 \"COM5\"",
      "  COM61 \"COM6\"",
      "  COM71 \"COM7\"",
      "  COM81 \"COM8\"",
      "  COM91 \"COM9\"",
      "  COM101 \"COM10\"",
      "Detec1 \"&Detect\"",
      "  N96001 \"9600\"",
      "  N192001 \"19200\"",
      "  N384001 \"38400\"",
      "Test1 \"Rover &Test\" shortcut 16468",
      "SavingSettingsTest1 \"&Saving Settings Test\"",
      "Help1 \"Help\"",
      "  About1 \"About\" disabled",
  };
  EXPECT_EQ(MenuTree(form->MainMenu1), expected);
}

TEST_F(MainFormTest, PortAsStored) {
  const comms::TComPort& port = form->SerialPort();
  EXPECT_EQ(port.Owner(), form.get());
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.BaudRate(), comms::br9600);
  EXPECT_EQ(port.Port(), comms::COM1);
  EXPECT_EQ(port.Parity().Bits(), comms::prNone);
  EXPECT_FALSE(port.Parity().Check());
  EXPECT_FALSE(port.Parity().Replace());
  EXPECT_EQ(port.Parity().ReplaceChar(), 0);
  EXPECT_EQ(port.StopBits(), comms::sbOneStopBit);
  EXPECT_EQ(port.DataBits(), comms::dbEight);
  EXPECT_FALSE(port.DiscardNull());
  EXPECT_EQ(port.EventChar(), 0);
  EXPECT_EQ(port.Events(), comms::TEvents::All());
  EXPECT_EQ(port.WriteBufSize(), 1024u);
  EXPECT_EQ(port.ReadBufSize(), 1024u);
  EXPECT_FALSE(port.FlowControl().OutCtsFlow());
  EXPECT_FALSE(port.FlowControl().OutDsrFlow());
  EXPECT_EQ(port.FlowControl().ControlDtr(), comms::dtrEnable);
  EXPECT_EQ(port.FlowControl().ControlRts(), comms::rtsEnable);
  EXPECT_FALSE(port.FlowControl().XonXoffOut());
  EXPECT_FALSE(port.FlowControl().XonXoffIn());
  EXPECT_EQ(port.Timeouts().ReadInterval(), -1);
  EXPECT_EQ(port.Timeouts().ReadTotalMultiplier(), 0);
  EXPECT_EQ(port.Timeouts().ReadTotalConstant(), 0);
  EXPECT_EQ(port.Timeouts().WriteTotalMultiplier(), 100);
  EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 1000);
  EXPECT_EQ(port.SyncMethod(), comms::smSynchronize);

  EXPECT_TRUE(port.OnRxChar);
  EXPECT_TRUE(port.OnCTS);
  EXPECT_TRUE(port.OnDSR);
  EXPECT_TRUE(port.OnRLSD);
  EXPECT_FALSE(port.OnTxEmpty || port.OnBreak || port.OnRing || port.OnRxFlag || port.OnError ||
               port.OnOpen || port.OnClose || port.OnRx80Full);
}

// Any sequence of choices leaves exactly one port and one level checked, and
// the settings follow the last choice (choosing the current one again too).
TEST_F(MainFormTest, ExactlyOnePortAndOneLevelChecked) {
  const std::vector<TMenuItem*> ports = PortItems();
  const std::vector<TMenuItem*> levels = LevelItems();
  const std::size_t portChoices[] = {2, 2, 9, 0, 0, 5, 9, 1, 3, 3, 8, 4, 6, 7, 0};
  const std::size_t levelChoices[] = {4, 0, 0, 3, 1, 2, 2, 4, 4, 1, 3, 0, 2, 1, 4};
  for (std::size_t step = 0; step < std::size(portChoices); ++step) {
    ports[portChoices[step]]->Click();
    levels[levelChoices[step]]->Click();
    EXPECT_EQ(CheckedIndexes(ports), std::vector<std::size_t>{portChoices[step]}) << step;
    EXPECT_EQ(form->SerialPort().Port(), comms::TPortType(portChoices[step])) << step;
    EXPECT_EQ(CheckedIndexes(levels), std::vector<std::size_t>{levelChoices[step]}) << step;
    EXPECT_EQ(form->MessageLevel, levelChoices[step]) << step;
  }
  EXPECT_FALSE(form->SerialPort().Connected());
}

TEST_F(MainFormTest, NextelPhoneTogglesOnlyItsCheckMark) {
  form->NextelPhone->Click();
  EXPECT_TRUE(form->NextelPhone->Checked());
  form->NextelPhone->Click();
  EXPECT_FALSE(form->NextelPhone->Checked());
  EXPECT_EQ(form->MessageLevel, 2);
  EXPECT_TRUE(form->COM11->Checked());
}

struct PhonePromptCase {
  const char* what;
  std::optional<std::string> answer;
  std::string expected;
};

TEST_F(MainFormTest, PhoneNumberPrompt) {
  const PhonePromptCase cases[] = {
      {"OK", "5559876", "5559876"},
      {"OK with an empty field", "", ""},
      {"Cancel", std::nullopt, DefaultPhoneNumber},
      // Control characters would end the dial command early and run the
      // rest as a command line; every other character is dialled as typed.
      {"OK with control characters", "555\r\nAT &F\r1\t2", "555AT &F12"},
      {"OK with punctuation and 8-bit characters", "9,(555) 12-34 #*\xe9",
       "9,(555) 12-34 #*\xe9"},
  };
  for (const PhonePromptCase& c : cases) {
    form->PhoneNumber = DefaultPhoneNumber;
    form->PhoneNumberSet = false;
    ui->prompts.clear();
    ui->promptAnswers.push_back(c.answer);
    form->N1->Click();
    EXPECT_EQ(form->PhoneNumber, c.expected) << c.what;
    EXPECT_TRUE(form->PhoneNumberSet) << c.what;
    ASSERT_EQ(ui->prompts.size(), 1u) << c.what;
    EXPECT_EQ(ui->prompts[0].title, "Enter Phone Number");
    EXPECT_EQ(ui->prompts[0].label, "Phone Number");
    EXPECT_EQ(ui->prompts[0].initial, DefaultPhoneNumber);
  }
}

// Each port item names its device and whether it is there; the status bar
// names the chosen one.
TEST_F(MainFormTest, PortItemsAndTheStatusBarNameTheDevice) {
  testsupport::ScopedEnv sim("TELVORA_COM3", "sim:standard");
  testsupport::ScopedEnv missing("TELVORA_COM4", "/nonexistent/ttyUSB7");
  // Any path that exists is a present device (a pseudo-terminal would do).
  const std::string device =
      (std::filesystem::temp_directory_path() / "telvora-present-device").string();
  std::ofstream(device).put('\n');
  testsupport::ScopedEnv present("TELVORA_COM5", device);
  form->Port1->OnPopup(form->Port1);
  EXPECT_EQ(form->COM31->Hint(), "COM3 \u2192 simulated modem (standard), present");
  EXPECT_EQ(form->COM41->Hint(), "COM4 \u2192 /nonexistent/ttyUSB7, not present");
  EXPECT_EQ(form->COM51->Hint(), "COM5 \u2192 " + device + ", present");
  form->COM31->Click();
  EXPECT_EQ(form->Status.Line().port, "COM3 \u2192 simulated modem (standard)");
  EXPECT_EQ(form->Status.Line().speed, "9600 baud");
  for (const toolkit::TLamp& lamp : form->Status.Line().lamps)
    EXPECT_EQ(lamp.state, toolkit::LampState::Grey) << lamp.name;  // closed
  std::filesystem::remove(device);
}

TEST_F(MainFormTest, ExitAndClosingTheWindowAskToTerminate) {
  auto& app = toolkit::Application::Instance();
  form->Exit1->Click();
  EXPECT_FALSE(app.Terminated());  // only queued so far
  app.ProcessMessages();
  EXPECT_TRUE(app.Terminated());

  app.Reset();
  ASSERT_TRUE(form->OnCloseRequest);
  form->OnCloseRequest();
  app.ProcessMessages();
  EXPECT_TRUE(app.Terminated());
  EXPECT_TRUE(ui->questions.empty());  // nothing running: no question
}

// Waits process window messages, so a menu choice made during a command runs
// inside it. Choices of other commands and ports are ignored then; the
// settings that only affect what comes next stay usable.
TEST(MainFormBusy, CommandsAndPortsIgnoredWhileACommandRuns) {
  scenario::Scenario s;
  TMain_Form& form = s.Form();
  bool postedRan = false;
  toolkit::Application::Instance().Post([&] {
    postedRan = true;
    s.Click(form.COM31);
    s.Click(form.N192001);
    s.Click(form.SavingSettingsTest1);
    s.Click(form.Debug);
    s.Click(form.NextelPhone);
  });
  s.Click(form.N96001);

  EXPECT_TRUE(postedRan);
  EXPECT_TRUE(form.DetectedAt9600);
  EXPECT_FALSE(form.DetectedAt19200);
  EXPECT_TRUE(form.COM11->Checked());
  EXPECT_FALSE(form.COM31->Checked());
  EXPECT_EQ(form.SerialPort().Port(), comms::COM1);
  EXPECT_TRUE(form.Debug->Checked());
  EXPECT_EQ(form.MessageLevel, 4);
  EXPECT_TRUE(form.NextelPhone->Checked());

  // Once the command is over, the menus work again.
  s.Click(form.COM31);
  EXPECT_EQ(form.SerialPort().Port(), comms::COM3);
}

// Closing the window while a command runs asks first; Yes ends it as Exit does.
TEST(MainFormBusy, ClosingTheWindowDuringACommandAsksFirst) {
  scenario::Scenario s;
  TMain_Form& form = s.Form();
  auto& app = toolkit::Application::Instance();
  s.Ui().questionAnswers = {false, true};
  app.Post([&] { form.OnCloseRequest(); });
  s.Click(form.N96001);
  app.ProcessMessages();
  EXPECT_TRUE(form.DetectedAt9600);
  EXPECT_FALSE(app.Terminated());

  app.Post([&] { form.OnCloseRequest(); });
  s.Click(form.N192001);
  EXPECT_FALSE(form.DetectedAt19200);  // the quit ended its wait
  EXPECT_TRUE(app.Terminated());
  ASSERT_EQ(s.Ui().questions.size(), 2u);
  EXPECT_EQ(s.Ui().questions[0].caption, "Telvora");
}

TEST(MainFormBusy, ACommandEndingWithAnErrorReleasesTheMenus) {
  scenario::Scenario s;
  TMain_Form& form = s.Form();
  testsupport::ScopedEnv missing("TELVORA_COM2", "telvora-missing-port");
  s.Click(form.COM21);
  s.Click(form.N96001);
  EXPECT_EQ(s.Ui().errors, std::vector<std::string>{
                               "Unable to open com port: 2\nCOM2 maps to "
                               "telvora-missing-port, which does not exist; "
                               "set TELVORA_COM2 to the device to use"});

  s.Click(form.COM11);
  EXPECT_EQ(form.SerialPort().Port(), comms::COM1);
  s.Click(form.N96001);
  EXPECT_TRUE(form.DetectedAt9600);
}

// An adapter pulled mid-run: its error is shown once, the port ends closed,
// and the next command opens it again.
TEST(MainFormBusy, AnUnplugMidRunEndsTheCommandWithThePortClosed) {
  scenario::Scenario s;
  TMain_Form& form = s.Form();
  platform::clock::ScheduleAfter(60000, [&] { s.Modem().Unplug(); });
  s.Click(form.Test1);
  EXPECT_EQ(s.Ui().errors, std::vector<std::string>{"Unable to read com status: 1167"});
  EXPECT_FALSE(form.SerialPort().Connected());
  s.Click(form.N192001);
  EXPECT_TRUE(form.DetectedAt19200);
  EXPECT_EQ(s.Ui().errors.size(), 1u);
}

// A modem still talking as the window goes: closing the port serves the
// received-characters event waiting to be handed over, and its handler reads
// the port, which must still be there.
TEST(MainFormBusy, ClosingWhileTheModemTalksReadsWhatIsWaiting) {
  auto s = std::make_unique<scenario::Scenario>();
  s->Form().OpenPort();
  s->Modem().Transmit("AT\r\n");  // as if the port had written it
  platform::clock::Sleep(100);  // the echo and the OK arrive
  platform::SettleWorkers();    // and wait for the user-interface thread
  s.reset();
}

}  // namespace
