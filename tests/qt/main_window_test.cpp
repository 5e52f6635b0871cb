// The main window as the Qt backend shows it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QLabel>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QPlainTextEdit>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/TelvoraMain.h"
#include "platform/clock.h"
#include "platform/commapi/virtual_device.h"
#include "platform/threads.h"
#include "sim/SimulatedModem.h"
#include "tests/qt/modal_answer.h"

namespace {

QMainWindow* ShownWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* window = qobject_cast<QMainWindow*>(widget); window && window->isVisible())
      return window;
  return nullptr;
}

// One line per action, indented by menu depth, with what the user sees.
void Describe(const QList<QAction*>& actions, int depth, std::vector<std::string>& out) {
  for (QAction* action : actions) {
    std::string line(depth * 2, ' ');
    line += action->isSeparator() ? "-" : "\"" + action->text().toStdString() + "\"";
    if (!action->shortcut().isEmpty())
      line += " " + action->shortcut().toString(QKeySequence::PortableText).toStdString();
    if (action->isChecked()) line += " checked";
    if (!action->isEnabled()) line += " disabled";
    out.push_back(line);
    if (action->menu()) Describe(action->menu()->actions(), depth + 1, out);
  }
}

QAction* FindAction(const QList<QAction*>& actions, const QString& text) {
  for (QAction* action : actions) {
    if (action->text() == text) return action;
    if (action->menu())
      if (QAction* found = FindAction(action->menu()->actions(), text)) return found;
  }
  return nullptr;
}

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetMainThread();
    form = std::make_unique<TMain_Form>();
    toolkit::Application::Instance().GetBackend().Show(*form);
    window = ShownWindow();
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    form.reset();
    toolkit::Application::Instance().ProcessMessages();
  }

  std::unique_ptr<TMain_Form> form;
  QMainWindow* window = nullptr;
};

TEST_F(MainWindowTest, ShowsCaptionMenusAndLog) {
  EXPECT_EQ(window->windowTitle().toStdString(), "Telvora");
  const std::vector<std::string> expected = {
      "\"File\"",
      "  \"Phone Number\"",
      "  -",
      "  \"Nextel Phone\"",
      "  -",
      "  \"Message Level\"",
      "    \"Summary\"",
      "    \"Minimal\"",
      "    \"Normal\" checked",
      "    \"Verbose\"",
      "    \"Debug\"",
      "  -",
      "  \"Save &Log...\" Ctrl+S",
      "  \"Save &Report...\" disabled",
      "  \"Record Trace...\"",
      "  \"E&xit\" Alt+X",
      "\"&Port\"",
      "  \"COM1\" checked",
      "  \"COM2\"",
      "  \"COM3\"",
      "  \"COM4\"",
      "  \"COM5\"",
      "  \"COM6\"",
      "  \"COM7\"",
      "  \"COM8\"",
      "  \"COM9\"",
      "  \"COM10\"",
      "\"&Detect\"",
      "  \"9600\"",
      "  \"19200\"",
      "  \"38400\"",
      "\"Rover &Test\" Ctrl+T",
      "\"&Saving Settings Test\"",
      "\"Help\"",
      "  \"About\" disabled",
  };
  std::vector<std::string> shown;
  Describe(window->menuBar()->actions(), 0, shown);
  EXPECT_EQ(shown, expected);

  auto* log = qobject_cast<QPlainTextEdit*>(window->centralWidget());
  ASSERT_NE(log, nullptr);
  form->LogLine("Modem detected at 9600");
  EXPECT_EQ(log->toPlainText().toStdString(), "Modem detected at 9600");
}

TEST_F(MainWindowTest, ChoicesInTheWindowMoveTheCheckMarks) {
  const QList<QAction*> bar = window->menuBar()->actions();
  FindAction(bar, "COM3")->trigger();
  FindAction(bar, "Debug")->trigger();
  FindAction(bar, "Nextel Phone")->trigger();

  EXPECT_EQ(form->SerialPort().Port(), comms::COM3);
  EXPECT_EQ(form->MessageLevel, 4);
  EXPECT_TRUE(form->NextelPhone->Checked());
  for (const char* text : {"COM1", "COM2", "COM4", "Normal", "Summary"})
    EXPECT_FALSE(FindAction(bar, text)->isChecked()) << text;
  for (const char* text : {"COM3", "Debug", "Nextel Phone"})
    EXPECT_TRUE(FindAction(bar, text)->isChecked()) << text;
}

// A whole Rover Test in the window, against a simulated modem on COM1, in
// virtual time.
class RoverInTheWindow : public MainWindowTest {
 protected:
  void SetUp() override {
    platform::clock::UseVirtualTime(true);
    MainWindowTest::SetUp();
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    commapi::UnbindVirtualDevice(kCom1);
    platform::clock::UseVirtualTime(false);
  }
  // inCall, when set, runs once, when DTR is first dropped during a call.
  void Run(const std::string& profile, std::function<void()> inCall = {}) {
    commapi::BindVirtualDevice(kCom1, sim::SimulatedModem::Create(profile));
    form->PhoneNumberSet = true;  // no prompt
    // What the status bar shows, at every change of it.
    auto show = form->Status.OnChanged;
    form->Status.OnChanged = [this, show, inCall]() mutable {
      show();
      auto* bar = window->findChild<QProgressBar*>("Progress");
      Seen now{Text("Status"), Lamp("DTR"), Lamp("RTS"), Lamp("CD"), bar->value(),
               bar->maximum(), bar->format().toStdString(), platform::clock::Now()};
      if (seen.empty() || now != seen.back()) seen.push_back(now);
      if (inCall && now.dtr == "off" && now.cd == "on") std::exchange(inCall, {})();
    };
    form->Test1->Click();
  }
  // The whole text of a label: its tool tip when it shows the text cut short.
  std::string Text(const char* label) const {
    auto* shown = window->findChild<QLabel*>(label);
    return (shown->toolTip().isEmpty() ? shown->text() : shown->toolTip()).toStdString();
  }
  std::string Lamp(const char* name) const {
    QLabel* lamp = window->findChild<QLabel*>(QString("Lamp") + name);
    return lamp ? lamp->property("state").toString().toStdString() : "";
  }
  // True when a state seen during a phase matches.
  bool SeenDuring(const std::string& phase, auto match) const {
    return std::any_of(seen.begin(), seen.end(), [&](const Seen& s) {
      return s.status.find(phase) != std::string::npos && match(s);
    });
  }
  struct Seen {
    std::string status, dtr, rts, cd;
    int progress, progressMax;
    std::string progressText;
    platform::clock::Millis at;
    bool operator==(const Seen&) const = default;
  };
  std::vector<Seen> seen;
  static constexpr const char* kCom1 = "\\\\.\\COM1";
};

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

TEST_F(RoverInTheWindow, TheLampsFollowTheModemLines) {
  EXPECT_EQ(Lamp("DTR"), "grey");  // closed
  Run("standard");
  EXPECT_EQ(Text("Port"), "COM1 \u2192 virtual device");
  EXPECT_EQ(Text("Speed"), "19200 baud");
  auto dtr = [](const std::string& state) { return [=](const Seen& s) { return s.dtr == state; }; };
  auto cd = [](const std::string& state) { return [=](const Seen& s) { return s.cd == state; }; };
  EXPECT_TRUE(SeenDuring("dial test", cd("off")));
  EXPECT_TRUE(SeenDuring("dial test", cd("on")));  // connected
  EXPECT_TRUE(SeenDuring("call without DTR", dtr("off")));
  EXPECT_TRUE(SeenDuring("call without DTR", dtr("on")));
  EXPECT_FALSE(SeenDuring("dial test", dtr("off")));
  EXPECT_TRUE(SeenDuring("call with RTS low", [](const Seen& s) { return s.rts == "off"; }));
  EXPECT_EQ(Lamp("DTR"), "grey");  // closed at the end
  EXPECT_EQ(Lamp("CD"), "grey");
}

// Phase k of n moves forward at every phase and says how long at most is left.
TEST_F(RoverInTheWindow, TheProgressBarMovesAtEveryPhaseAndFillsAtTheNormalEnd) {
  Run("standard");
  std::vector<int> positions;
  for (const Seen& s : seen)
    if (positions.empty() || s.progress != positions.back()) positions.push_back(s.progress);
  EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(seen.back().progressMax, 12);
  EXPECT_EQ(seen.back().progressText, "Rover Test finished");
  EXPECT_TRUE(SeenDuring("Rover Test: dial test", [](const Seen& s) {
    return s.progressText.starts_with("phase 3 of 12 \u2014 at most ");
  }));
  // "At most" holds: never less than what the run really took from there.
  const platform::clock::Millis end = platform::clock::Now();
  for (const Seen& s : seen) {
    const std::size_t at = s.progressText.find("at most ");
    if (at == std::string::npos) continue;
    int minutes = 0, seconds = 0;
    ASSERT_EQ(std::sscanf(s.progressText.c_str() + at, "at most %d:%d", &minutes, &seconds), 2);
    EXPECT_GE((minutes * 60 + seconds) * 1000, end - s.at) << s.progressText;
  }
}

// Shown is the whole text, or its start cut short with "…".
bool WholeOrElided(const QString& shown, const QString& whole) {
  return shown == whole || (shown.endsWith(QChar(0x2026)) && whole.startsWith(shown.chopped(1)));
}

// Lays the window out `width` wide (its least width when less) and checks the
// status bar: its parts side by side within it, each text within its part,
// whole (when `whole`) or else whole or cut short, the lamps at their size.
void ExpectStatusBarAt(QMainWindow& window, const toolkit::TStatusBar& status, int width,
                       bool whole) {
  window.resize(width, window.height());
  QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  SCOPED_TRACE(testing::Message() << window.width() << " px wide");
  EXPECT_TRUE(window.width() == width || window.width() == window.minimumWidth());
  QStatusBar* bar = window.statusBar();
  ASSERT_EQ(bar->width(), window.width());
  std::vector<QWidget*> parts;
  for (QWidget* part : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (part->isVisible()) parts.push_back(part);
  auto name = [](const QWidget* part) { return part->objectName().toStdString(); };
  for (std::size_t i = 0; i < parts.size(); ++i) {
    EXPECT_TRUE(bar->rect().contains(parts[i]->geometry())) << name(parts[i]);
    for (std::size_t j = i + 1; j < parts.size(); ++j)
      EXPECT_FALSE(parts[i]->geometry().intersects(parts[j]->geometry()))
          << name(parts[i]) << " and " << name(parts[j]);
  }
  auto expectShown = [&](const QString& shown, const QString& text, int room, const QWidget& part) {
    EXPECT_LE(part.fontMetrics().horizontalAdvance(shown), room) << name(&part);
    EXPECT_TRUE(whole ? shown == text : WholeOrElided(shown, text))
        << name(&part) << ": \"" << shown.toStdString() << "\" for \"" << text.toStdString()
        << "\"";
    EXPECT_EQ(part.toolTip(), shown == text ? QString() : text) << name(&part);
  };
  const std::map<QString, std::string> texts = {{"Status", status.Text()},
                                                {"Port", status.Line().port},
                                                {"Speed", status.Line().speed}};
  for (QLabel* label : bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (!label->isVisible()) continue;
    const auto text = texts.find(label->objectName());
    if (label->objectName().startsWith("Lamp")) {
      EXPECT_EQ(label->width(), label->sizeHint().width());
    }
    expectShown(label->text(),
                text != texts.end() ? QString::fromStdString(text->second) : label->text(),
                label->contentsRect().width(), *label);
  }
  if (auto* progress = bar->findChild<QProgressBar*>("Progress"); progress->isVisible())
    expectShown(progress->text(), QString::fromStdString(status.Progress().text),
                progress->width(), *progress);
}

// From the window's least width to a full screen, during a run and after it,
// with the results pane and without: no part of the status bar over another,
// no text cut mid-letter; at the size the window opens at, every text whole.
TEST_F(RoverInTheWindow, TheStatusBarIsReadableAtEveryWidth) {
  const int opened = window->width();
  auto atEveryWidth = [&](bool wholeAtOpened) {
    for (int width : {0, 640, 1920}) ExpectStatusBarAt(*window, form->Status, width, false);
    ExpectStatusBarAt(*window, form->Status, opened, wholeAtOpened);
  };
  Run("standard", [&] {
    ASSERT_TRUE(form->Status.ClockRunning());
    atEveryWidth(true);
  });
  auto* pane = window->findChild<QDockWidget*>("Results");
  ASSERT_TRUE(pane->isVisible());
  atEveryWidth(false);
  pane->close();
  atEveryWidth(true);
}

TEST_F(RoverInTheWindow, AnEarlyEndSaysSoOnTheProgressBar) {
  Run("no-welcome");
  EXPECT_EQ(seen.back().progress, 2);
  EXPECT_EQ(seen.back().progressText, "Rover Test ended early (phase 3 of 12, dial test)");
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i].progress, seen[i - 1].progress);
}

TEST_F(RoverInTheWindow, SaveLogWritesTheClipboardTextAndTheLastLine) {
  Run("standard");
  const std::string path = testing::TempDir() + "telvora-saved-log.txt";
  std::remove(path.c_str());
  ModalAnswer answer([&](QWidget& modal) {
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(QString::fromStdString(path));
    static_cast<QDialog*>(dialog)->accept();
  });
  FindAction(window->menuBar()->actions(), "Save &Log...")->trigger();
  std::ifstream file(path, std::ios::binary);
  const std::string saved{std::istreambuf_iterator<char>(file), {}};
  const std::string clipboard = QGuiApplication::clipboard()->text().toStdString();
  ASSERT_FALSE(clipboard.empty());
  EXPECT_EQ(saved, WithCrLf(clipboard) + "\r\nTest Finished, results copied to clipboard\r\n");
}

// The results pane against the log's own recommendation lines, for modems
// with different verdicts.
struct PaneCase {
  const char* profile;
  const char* verdict;
  std::vector<std::string> fails;  // the checks marked fail
};

void PrintTo(const PaneCase& c, std::ostream* out) { *out << c.profile; }

class ResultsPane : public RoverInTheWindow, public testing::WithParamInterface<PaneCase> {
 protected:
  void SetUp() override { RoverInTheWindow::SetUp(); }
  void TearDown() override { RoverInTheWindow::TearDown(); }
  std::string Field(const std::string& label) const {
    return window->findChild<QLineEdit*>(QString::fromStdString("Field " + label))
        ->text()
        .toStdString();
  }
  // The pane's init string for `model` is what the log recommends for it.
  void ExpectInitStringAsLogged(const std::string& model) const {
    std::string init = Field("Init string " + model);
    const std::vector<std::string>& log = form->Output_Memo.Lines();
    auto has = [&](auto match) { return std::any_of(log.begin(), log.end(), match); };
    if (init.ends_with(" V1")) {
      EXPECT_TRUE(has([](const std::string& l) { return l.starts_with("Returns numeric"); }));
      init.resize(init.size() - 3);
      if (init == "AT") init.clear();
    }
    const std::string forModel = model + " users need a 37779 and an init string of ";
    if (init.empty()) {
      EXPECT_FALSE(has([&](const std::string& l) { return l.starts_with(forModel); })) << model;
    } else {
      EXPECT_TRUE(has([&](const std::string& l) {
        return l == forModel + init || l == "Init String should be " + init;
      })) << model << ": " << init;
    }
  }
};

TEST_P(ResultsPane, ShowsTheVerdictAndTheInitStringsTheLogRecommends) {
  Run(GetParam().profile);
  auto* dock = window->findChild<QDockWidget*>("Results");
  ASSERT_TRUE(dock->isVisible());
  EXPECT_EQ(window->findChild<QLabel*>("ResultLine0")->text().toStdString(), GetParam().verdict);
  ExpectInitStringAsLogged("4700");
  ExpectInitStringAsLogged("5700");
  auto* table = window->findChild<QTableWidget*>("ResultTable");
  std::vector<std::string> fails;
  for (int i = 0; i < table->rowCount(); ++i)
    if (table->item(i, 1)->text().endsWith("fail"))
      fails.push_back(table->item(i, 0)->text().toStdString());
  EXPECT_EQ(fails, GetParam().fails);

  if (auto* copy = window->findChild<QPushButton*>("Copy Init string 4700"); copy->isEnabled()) {
    copy->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), Field("Init string 4700"));
  }
  dock->close();
  EXPECT_FALSE(form->Results.Visible());
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, ResultsPane,
    testing::Values(
        PaneCase{"standard",
                 "Use cable 37779 for the 5700 with the init string AT &D0, and for the 4700 "
                 "with the init string AT &D0 \\Q0.",
                 {}},
        PaneCase{"ignores-dtr",
                 "Use cable 37779 for the 5700 with no init string, and for the 4700 with the "
                 "init string AT \\Q0.",
                 {}},
        PaneCase{"no-flow-control",
                 "Use cable 37779 for the 4700 and the 5700, with the init string AT &D0.", {}},
        // Refused switch-off commands: those calls are not run.
        PaneCase{"flow-locked",
                 "Use cable 37779 for the 5700 with the init string AT &D0. The 4700 also needs "
                 "a modem flow control cheater cable, as this modem's flow control cannot be "
                 "switched off; with that cable AT &D0 may not be needed.",
                 {}},
        PaneCase{"strict-dtr",
                 "Use cable 37779 for the 5700 with no init string, and for the 4700 with the "
                 "init string AT \\Q0, once a cable with DTR and DSR looped is made: this modem "
                 "needs DTR and cannot be set to ignore it.",
                 {}},
        PaneCase{"numeric",
                 "Use cable 37779 for the 5700 with the init string AT &D0, and for the 4700 "
                 "with the init string AT &D0 \\Q0.",
                 {"Verbal result codes"}}),
    [](const testing::TestParamInfo<PaneCase>& info) {
      std::string name = info.param.profile;
      std::replace(name.begin(), name.end(), '-', '_');
      return name;
    });

}  // namespace
