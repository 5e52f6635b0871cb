#include "platform/toolkit/qt/main_window.h"

#include <QCloseEvent>
#include <algorithm>
#include <QFontDatabase>
#include <QPointer>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextCursor>

#include "platform/toolkit/qt/menu_bar.h"
#include "platform/toolkit/qt/qt_text.h"
#include "platform/toolkit/qt/result_pane.h"
#include "platform/toolkit/qt/status_bar.h"

namespace toolkit {

MainWindow::MainWindow(TForm& form) : form_(form) {
  setObjectName(ToQString(form.Name()));
  setWindowTitle(ToQString(form.Caption));
  move(form.Left, form.Top);
  if (form.Width > 0 && form.Height > 0) resize(form.Width, form.Height);
  if (form.Menu) BuildMenuBar(*menuBar(), *form.Menu);
  if (form.ClientMemo) MirrorMemo(*form.ClientMemo);

  status_ = new StatusBarView(form.Status, *statusBar());
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

bool MainWindow::event(QEvent* event) {
  if (event->type() != QEvent::StatusTip) return QMainWindow::event(event);
  status_->ShowTip(static_cast<QStatusTipEvent*>(event)->tip());
  return true;
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

// The window opens just large enough to show the memo's rows and columns,
// and the status bar of a run (a main window's size hint leaves it out).
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
  resize(std::max(sizeHint().width(), statusBar()->sizeHint().width()), sizeHint().height());
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

void MainWindow::ShowResults() {
  const bool wasVisible = results_->isVisible();
  results_->Refresh();
  // The pane goes beside the log; the window widens for it rather than
  // squeezing the log's columns.
  if (results_->isVisible() && !wasVisible && !isMaximized() && !isFullScreen())
    resize(width() + results_->sizeHint().width(), height());
}

}  // namespace toolkit
