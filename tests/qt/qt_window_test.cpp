// The Qt backend on the offscreen platform: the window built from a small
// model, kept in step with it, and the modal prompt and boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusTipEvent>
#include <QTimer>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/rtl.h"
#include "platform/toolkit/toolkit.h"
#include "tests/platform/toolkit_fixture.h"
#include "tests/qt/modal_answer.h"

namespace {

using toolkit::TMenuItem;

QStringList Texts(const QList<QAction*>& actions) {
  QStringList texts;
  for (QAction* action : actions) texts << (action->isSeparator() ? "-" : action->text());
  return texts;
}

class QtWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    App().Reset();
    form.Caption = "Telvora";
    form.Left = 264;
    form.Top = 277;
    form.Width = 603;
    form.Height = 248;
    form.Menu = &bar;
    form.ClientMemo = &memo;
    TMenuItem& file = Add(bar, "File1", "File");
    phone = &Add(file, "N1", "Phone Number");
    Add(file, "N3", "-");
    nextel = &Add(file, "NextelPhone", "Nextel Phone");
    TMenuItem& level = Add(file, "MessageLevel1", "Message Level");
    Add(level, "Summary", "Summary");
    normal = &Add(level, "Normal", "Normal");
    normal->SetChecked(true);
    exit = &Add(file, "Exit1", "E&xit");
    exit->SetShortCut(32856);
    test = &Add(bar, "Test1", "Rover &Test");
    test->SetShortCut(16468);
    TMenuItem& help = Add(bar, "Help1", "Help");
    about = &Add(help, "About1", "About");
    about->SetEnabled(false);
  }

  void TearDown() override {
    App().GetBackend().CloseWindow(form);
    App().Reset();
    platform::SetSynchronizeWakeup({});
    platform::SetUnhandledExceptionHandler({});
  }

  static toolkit::Application& App() { return toolkit::Application::Instance(); }

  static TMenuItem& Add(TMenuItem& parent, const char* name, const char* caption) {
    return parent.Add(std::make_unique<TMenuItem>(name, caption));
  }

  QMainWindow* Show() {
    App().GetBackend().Show(form);
    return Window();
  }

  static QMainWindow* Window() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == "Main_Form") return qobject_cast<QMainWindow*>(widget);
    }
    return nullptr;
  }

  static QAction* Action(QMainWindow* window, const char* name) {
    return window->findChild<QAction*>(name);
  }

  toolkit::TForm form{"Main_Form"};
  toolkit::TMainMenu bar{"MainMenu1"};
  toolkit::TMemo memo{"Output_Memo"};
  TMenuItem *phone = nullptr, *nextel = nullptr, *normal = nullptr, *exit = nullptr,
            *test = nullptr, *about = nullptr;
};

TEST_F(QtWindow, TheMenuBarShowsTheModel) {
  QMainWindow* window = Show();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "Telvora");
  EXPECT_EQ(window->pos(), QPoint(264, 277));
  EXPECT_EQ(window->size(), QSize(603, 248));

  const QList<QAction*> onBar = window->menuBar()->actions();
  EXPECT_EQ(Texts(onBar), (QStringList{"File", "Rover &Test", "Help"}));
  ASSERT_NE(onBar[0]->menu(), nullptr);
  EXPECT_EQ(onBar[1]->menu(), nullptr);  // a command on the bar itself
  const QList<QAction*> inFile = onBar[0]->menu()->actions();
  EXPECT_EQ(Texts(inFile),
            (QStringList{"Phone Number", "-", "Nextel Phone", "Message Level", "E&xit"}));
  ASSERT_NE(inFile[3]->menu(), nullptr);
  EXPECT_EQ(Texts(inFile[3]->menu()->actions()), (QStringList{"Summary", "Normal"}));

  EXPECT_TRUE(Action(window, "Normal")->isChecked());
  EXPECT_FALSE(Action(window, "Summary")->isChecked());
  EXPECT_FALSE(Action(window, "NextelPhone")->isChecked());
  EXPECT_FALSE(Action(window, "About1")->isEnabled());
  EXPECT_TRUE(Action(window, "N1")->isEnabled());
  EXPECT_EQ(Action(window, "Exit1")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
  EXPECT_EQ(Action(window, "Test1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
  EXPECT_TRUE(Action(window, "N1")->shortcut().isEmpty());
}

TEST_F(QtWindow, ChoosingAnActionClicksItsItemAndTheModelKeepsTheCheckMarks) {
  QMainWindow* window = Show();
  nextel->OnClick = [this](rtl::TObject*) { nextel->SetChecked(!nextel->Checked()); };
  normal->OnClick = [this](rtl::TObject*) { normal->SetChecked(true); };
  QAction* nextelAction = Action(window, "NextelPhone");
  nextelAction->trigger();
  EXPECT_TRUE(nextel->Checked());
  EXPECT_TRUE(nextelAction->isChecked());
  nextelAction->trigger();
  EXPECT_FALSE(nextel->Checked());
  EXPECT_FALSE(nextelAction->isChecked());
  // Choosing the checked level again leaves it checked.
  Action(window, "Normal")->trigger();
  EXPECT_TRUE(Action(window, "Normal")->isChecked());

  about->SetEnabled(true);
  exit->SetCaption("&Quit");
  EXPECT_TRUE(Action(window, "About1")->isEnabled());
  EXPECT_EQ(Action(window, "Exit1")->text(), "&Quit");
}

TEST_F(QtWindow, AnErrorInACommandEndsInTheErrorBox) {
  QMainWindow* window = Show();
  test->OnClick = [](rtl::TObject*) { throw rtl::Exception("Unable to open com port: 2"); };
  QString shownText;
  QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
  ModalAnswer answer([&](QWidget& modal) {
    if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
      shownText = box->text();
      shownIcon = box->icon();
    }
    modal.close();
  });
  Action(window, "Test1")->trigger();
  EXPECT_EQ(shownText, "Unable to open com port: 2");
  EXPECT_EQ(shownIcon, QMessageBox::Critical);
}

TEST_F(QtWindow, TheLogControlMirrorsTheMemo) {
  memo.Append("before the window");
  QMainWindow* window = Show();
  auto* log = window->findChild<QPlainTextEdit*>("Output_Memo");
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(window->centralWidget(), log);
  EXPECT_EQ(log->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(log->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_FALSE(log->isReadOnly());

  memo.Append("Modem detected at 9600\r\n050\r\n");
  memo.Append("");
  EXPECT_EQ(log->toPlainText().toStdString(), memo.Text());
  memo.Clear();
  memo.Append("");
  memo.Append("after an empty first line");
  EXPECT_EQ(log->toPlainText().toStdString(), "\nafter an empty first line");

  memo.SelectAll();
  memo.CopyToClipboard();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "\nafter an empty first line");
  EXPECT_EQ(toolkit::ClipboardText(), memo.Text());
}

TEST_F(QtWindow, AReadOnlyLogTakesNoTypingButSelectsCopiesAndSizesTheWindow) {
  memo.ReadOnly = true;
  memo.Monospace = true;
  memo.VisibleColumns = 100;
  memo.VisibleLines = 30;
  TMenuItem popup("PopupMenu1", "");
  int saves = 0;
  Add(popup, "SaveLog2", "Save &Log...").OnClick = [&](rtl::TObject*) { ++saves; };
  memo.PopupMenu = &popup;
  memo.Append("Dial test passed");
  QMainWindow* window = Show();
  auto* log = window->findChild<QPlainTextEdit*>("Output_Memo");
  ASSERT_NE(log, nullptr);

  log->setFocus();
  log->moveCursor(QTextCursor::End);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
  QApplication::sendEvent(log, &key);
  EXPECT_EQ(log->toPlainText(), "Dial test passed");
  // The desktop's fixed-pitch font, whichever font file that is here: some
  // report no fixed pitch to Qt though their letters are all one width.
  EXPECT_EQ(log->font(), QFontDatabase::systemFont(QFontDatabase::FixedFont));
  const QFontMetrics metrics(log->font());
  EXPECT_GE(log->viewport()->width(), metrics.horizontalAdvance(QString(100, 'M')));
  EXPECT_GE(log->viewport()->height(), metrics.lineSpacing() * 30);

  auto* menu = window->findChild<QMenu*>("Output_MemoMenu");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(Texts(menu->actions()), (QStringList{"&Copy", "Select &All", "-", "Save &Log..."}));
  menu->actions()[1]->trigger();
  menu->actions()[0]->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "Dial test passed");
  menu->actions()[3]->trigger();
  EXPECT_EQ(saves, 1);
}

TEST_F(QtWindow, TheStatusBarShowsTextElapsedTimeAndStatusTips) {
  QMainWindow* window = Show();
  auto* status = window->findChild<QLabel*>("Status");
  auto* elapsed = window->findChild<QLabel*>("Elapsed");
  ASSERT_NE(status, nullptr);
  ASSERT_NE(elapsed, nullptr);
  auto shown = [](QLabel* label) {
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return label->isVisible() ? label->text() : QString();
  };
  form.Status.SetText("Rover Test: dial test");
  EXPECT_EQ(shown(status), "Rover Test: dial test");
  EXPECT_EQ(shown(elapsed), "");
  form.Status.StartClock();
  EXPECT_TRUE(shown(elapsed).startsWith(QString::fromUtf8("\u2014 0:0")))
      << shown(elapsed).toStdString();
  // A menu item's tip stands in for the phase while the pointer is on it.
  QStatusTipEvent tip("COM3 is /dev/ttyUSB0");
  QApplication::sendEvent(window, &tip);
  EXPECT_EQ(shown(status), "COM3 is /dev/ttyUSB0");
  EXPECT_EQ(shown(elapsed), "");
  QStatusTipEvent none("");
  QApplication::sendEvent(window, &none);
  EXPECT_EQ(shown(status), "Rover Test: dial test");
  EXPECT_NE(shown(elapsed), "");
  form.Status.StopClock();
  EXPECT_EQ(shown(status), "Rover Test: dial test");
  EXPECT_EQ(shown(elapsed), "");
}

TEST_F(QtWindow, ClosingTheWindowAsksTheApplicationToEnd) {
  QMainWindow* window = Show();
  int requests = 0;
  form.OnCloseRequest = [&] { ++requests; };
  window->close();
  EXPECT_EQ(requests, 1);
  EXPECT_TRUE(window->isVisible());
}

TEST_F(QtWindow, RunEndsOnATerminateFromAnotherThreadAndClosesTheWindow) {
  bool shown = false;
  App().Post([&] { shown = Window() != nullptr && Window()->isVisible(); });
  std::thread other;
  App().Post([&] { other = std::thread([] { App().Terminate(); }); });
  App().Run(form);
  other.join();
  EXPECT_TRUE(shown);
  EXPECT_EQ(Window(), nullptr);
}

TEST_F(QtWindow, ThePromptStartsSelectedAndReturnsTheEditedText) {
  Show();
  QString title, label, selected;
  int maxLength = 0;
  ModalAnswer answer([&](QWidget& modal) {
    auto* dialog = qobject_cast<QInputDialog*>(&modal);
    ASSERT_NE(dialog, nullptr);
    auto* edit = dialog->findChild<QLineEdit*>();
    title = dialog->windowTitle();
    label = dialog->labelText();
    selected = edit->selectedText();
    maxLength = edit->maxLength();
    edit->setText("5551234");
    dialog->accept();
  });
  std::string number = "18005550100";
  EXPECT_TRUE(toolkit::InputQuery("Enter Phone Number", "Phone Number", number));
  EXPECT_EQ(number, "5551234");
  EXPECT_EQ(title, "Enter Phone Number");
  EXPECT_EQ(label, "Phone Number");
  EXPECT_EQ(selected, "18005550100");
  EXPECT_EQ(maxLength, 255);

  ModalAnswer cancel([](QWidget& modal) { static_cast<QDialog&>(modal).reject(); });
  EXPECT_FALSE(toolkit::InputQuery("Enter Phone Number", "Phone Number", number));
  EXPECT_EQ(number, "5551234");
}

TEST_F(QtWindow, AnOpenMessageBoxKeepsServingSynchronisedCalls) {
  Show();
  bool handled = false;
  toolkit_test::LambdaThread worker([&] { platform::Synchronize([&] { handled = true; }); });
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int polls = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    if (polls++ == 0) {
      caption = box->windowTitle();
      icon = box->icon();
      worker.Resume();
    }
    // Bounded only so that a failure cannot hang the run.
    if (handled || polls > 2000) box->button(QMessageBox::Ok)->click();
  });
  poll.start(5);
  toolkit::ShowMessageBox("Action Required", "Please cycle power on modem", toolkit::MessageIcon::Warning);
  EXPECT_TRUE(handled);
  EXPECT_EQ(caption, "Action Required");
  EXPECT_EQ(icon, QMessageBox::Warning);
}

}  // namespace
