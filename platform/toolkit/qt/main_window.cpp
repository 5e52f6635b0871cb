#include "platform/toolkit/qt/main_window.h"

#include <QCloseEvent>
#include <algorithm>
#include <QFontDatabase>
#include <QPointer>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextCursor>

#include "platform/toolkit/qt/menu_bar.h"
#include "platform/toolkit/qt/qt_text.h"
#include "platform/toolkit/qt/result_pane.h"

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
  progress_ = new QProgressBar(this);
  progress_->setObjectName("Progress");
  progress_->setMinimumWidth(260);
  statusBar()->addPermanentWidget(progress_);
  port_ = new QLabel(this);
  port_->setObjectName("Port");
  statusBar()->addPermanentWidget(port_);
  speed_ = new QLabel(this);
  speed_->setObjectName("Speed");
  statusBar()->addPermanentWidget(speed_);
  statusClock_ = new QTimer(this);
  statusClock_->setInterval(1000);
  connect(statusClock_, &QTimer::timeout, this, [this] { ShowStatus(); });
  form.Status.OnChanged = [shown = QPointer<MainWindow>(this)] {
    if (shown) shown->ShowStatus();
  };
  ShowStatus();
  results_ = new ResultDock(form.Results, this);
  addDockWidget(Qt::RightDockWidgetArea, results_);
  form.Results.OnChanged = [shown = QPointer<MainWindow>(this)] {
    if (shown) shown->ShowResults();
  };
  // Last: the size takes in the menu bar and the status bar.
  if (form.ClientMemo) SizeToMemo(*form.ClientMemo);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  form_.CloseRequested();
}

void MainWindow::MirrorMemo(TMemo& memo) {
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName(ToQString(memo.Name()));
  memo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo_->setReadOnly(memo.ReadOnly);
  // Read-only drops the keyboard selection; the user still selects and copies.
  if (memo.ReadOnly)
    memo_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  if (memo.Monospace) memo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setCentralWidget(memo_);
  AddLogMenu(memo);
  for (const std::string& line : memo.Lines()) AppendLine(line);
  QPointer<MainWindow> shown(this);
  memo.OnLineAdded = [shown](const std::string& line) {
    if (shown) shown->AppendLine(line);
  };
  memo.OnCleared = [shown] {
    if (shown) shown->ClearLines();
  };
}

void MainWindow::AddLogMenu(TMemo& memo) {
  memoMenu_ = new QMenu(memo_);
  memoMenu_->setObjectName(ToQString(memo.Name() + "Menu"));
  QAction* copy = memoMenu_->addAction(tr("&Copy"), QKeySequence::Copy, memo_,
                                       &QPlainTextEdit::copy);
  copy->setObjectName("Copy");
  memoMenu_->addAction(tr("Select &All"), QKeySequence::SelectAll, memo_,
                       &QPlainTextEdit::selectAll)
      ->setObjectName("SelectAll");
  if (memo.PopupMenu) {
    memoMenu_->addSeparator();
    AddMenuItems(*memoMenu_, *memo.PopupMenu);
  }
  memo_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(memo_, &QWidget::customContextMenuRequested, this, [this, copy](const QPoint& at) {
    copy->setEnabled(memo_->textCursor().hasSelection());
    memoMenu_->popup(memo_->viewport()->mapToGlobal(at));
  });
}

// The window opens just large enough to show the memo's rows and columns.
void MainWindow::SizeToMemo(const TMemo& memo) {
  if (memo.VisibleColumns <= 0 || memo.VisibleLines <= 0) return;
  memo_->ensurePolished();
  const QFontMetrics metrics(memo_->font(), memo_);
  const int frame = 2 * memo_->frameWidth();
  const int margin = 2 * static_cast<int>(memo_->document()->documentMargin());
  const QSize text(metrics.horizontalAdvance(QString(memo.VisibleColumns, QLatin1Char('M'))) +
                       margin + frame + memo_->verticalScrollBar()->sizeHint().width(),
                   metrics.lineSpacing() * memo.VisibleLines + margin + frame);
  memo_->setMinimumSize(text);
  resize(sizeHint());
  memo_->setMinimumSize(0, 0);
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
  ShowProgress();
  ShowLine();
  QString text = QString::fromStdString(status.Text());
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

namespace toolkit {

void MainWindow::ShowProgress() {
  const TProgress& progress = form_.Status.Progress();
  progress_->setVisible(progress.maximum > 0);
  progress_->setRange(0, std::max(progress.maximum, 1));
  progress_->setValue(progress.position);
  // QProgressBar reads "%" in its format as a placeholder.
  progress_->setFormat(QString::fromStdString(progress.text).replace("%", "%%"));
}

namespace {

// What a lamp looks like: lit, dark, or greyed out when nothing is known.
QString LampStyle(LampState state) {
  switch (state) {
    case LampState::On:
      return "QLabel { background: #2e9d3a; color: white; border: 1px solid #1b5e20; "
             "border-radius: 3px; padding: 0 4px; }";
    case LampState::Off:
      return "QLabel { background: #3a3a3a; color: #e0e0e0; border: 1px solid #202020; "
             "border-radius: 3px; padding: 0 4px; }";
    case LampState::Grey:
      break;
  }
  return "QLabel { background: transparent; color: #a0a0a0; border: 1px solid #c8c8c8; "
         "border-radius: 3px; padding: 0 4px; }";
}

const char* LampStateName(LampState state) {
  switch (state) {
    case LampState::On:
      return "on";
    case LampState::Off:
      return "off";
    case LampState::Grey:
      break;
  }
  return "grey";
}

}  // namespace

void MainWindow::ShowLine() {
  const TLineState& line = form_.Status.Line();
  port_->setText(QString::fromStdString(line.port));
  speed_->setText(QString::fromStdString(line.speed));
  while (lamps_.size() < line.lamps.size()) {
    auto* lamp = new QLabel(this);
    statusBar()->addPermanentWidget(lamp);
    lamps_.push_back(lamp);
  }
  for (std::size_t i = 0; i < lamps_.size(); ++i) {
    QLabel* lamp = lamps_[i];
    lamp->setVisible(i < line.lamps.size());
    if (i >= line.lamps.size()) continue;
    const TLamp& shown = line.lamps[i];
    const QString name = QString::fromStdString(shown.name);
    const QString state = LampStateName(shown.state);
    if (lamp->text() == name && lamp->property("state").toString() == state) continue;
    lamp->setObjectName("Lamp" + name);
    lamp->setText(name);
    lamp->setProperty("state", state);
    lamp->setStyleSheet(LampStyle(shown.state));
  }
}

}  // namespace toolkit

namespace toolkit {

void MainWindow::ShowResults() {
  const bool wasVisible = results_->isVisible();
  results_->Refresh();
  // The pane goes beside the log; the window widens for it rather than
  // squeezing the log's columns.
  if (results_->isVisible() && !wasVisible && !isMaximized() && !isFullScreen())
    resize(width() + results_->sizeHint().width(), height());
}

}  // namespace toolkit
