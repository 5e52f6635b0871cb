#include "platform/toolkit/qt/main_window.h"

#include <QCloseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextCursor>

#include "platform/toolkit/qt/menu_bar.h"
#include "platform/toolkit/qt/qt_text.h"

namespace toolkit {

MainWindow::MainWindow(TForm& form) : form_(form) {
  setObjectName(ToQString(form.Name()));
  setWindowTitle(ToQString(form.Caption));
  move(form.Left, form.Top);
  if (form.Width > 0 && form.Height > 0) resize(form.Width, form.Height);
  if (form.Menu) BuildMenuBar(*menuBar(), *form.Menu);
  if (form.ClientMemo) MirrorMemo(*form.ClientMemo);

  status_ = new QLabel(this);
  status_->setObjectName("Status");
  statusBar()->addWidget(status_, 1);
  statusClock_ = new QTimer(this);
  statusClock_->setInterval(1000);
  connect(statusClock_, &QTimer::timeout, this, [this] { ShowStatus(); });
  form.Status.OnChanged = [shown = QPointer<MainWindow>(this)] {
    if (shown) shown->ShowStatus();
  };
  ShowStatus();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  try {
    if (form_.OnCloseRequest) {
      form_.OnCloseRequest();
    } else {
      Application::Instance().Terminate();
    }
  } catch (...) {
    Application::Instance().HandleException(std::current_exception());
  }
}

void MainWindow::MirrorMemo(TMemo& memo) {
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName(ToQString(memo.Name()));
  memo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo_->setReadOnly(false);
  setCentralWidget(memo_);
  for (const std::string& line : memo.Lines()) AppendLine(line);
  QPointer<MainWindow> shown(this);
  memo.OnLineAdded = [shown](const std::string& line) {
    if (shown) shown->AppendLine(line);
  };
  memo.OnCleared = [shown] {
    if (shown) shown->ClearLines();
  };
}

void MainWindow::AppendLine(const std::string& line) {
  // appendPlainText would fold a leading empty line into the next one.
  QTextCursor cursor(memo_->document());
  cursor.movePosition(QTextCursor::End);
  if (memoLines_ > 0) cursor.insertBlock();
  cursor.insertText(ToQString(line));
  ++memoLines_;
  memo_->verticalScrollBar()->setValue(memo_->verticalScrollBar()->maximum());
}

void MainWindow::ClearLines() {
  memo_->clear();
  memoLines_ = 0;
}

void MainWindow::ShowStatus() {
  const TStatusLine& status = form_.Status;
  QString text = ToQString(status.Text());
  if (status.ClockRunning()) {
    text += QString::fromUtf8(" \u2014 ") +
            ToQString(TStatusLine::FormatElapsed(status.ElapsedSeconds()));
    if (!statusClock_->isActive()) statusClock_->start();
  } else {
    statusClock_->stop();
  }
  status_->setText(text);
}

}  // namespace toolkit
