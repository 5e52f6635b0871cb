// The main window: form caption and placement, menu bar, the memo as a
// plain-text control filling the client area, a status bar and the results
// pane.
#pragma once

#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(TForm& form);
  TForm& Form() const { return form_; }

 protected:
  // Closing asks the application to end; the window goes when it has.
  void closeEvent(QCloseEvent* event) override;
  // A menu item's status tip goes where the phase is, elided like it.
  bool event(QEvent* event) override;

 private:
  void MirrorMemo(TMemo& memo);
  void AddLogMenu(TMemo& memo);
  void SizeToMemo(const TMemo& memo);
  void AppendLine(const std::string& line);
  void ClearLines();
  void ShowResults();

  TForm& form_;
  QPlainTextEdit* memo_ = nullptr;
  QMenu* memoMenu_ = nullptr;
  int memoLines_ = 0;
  class StatusBarView* status_ = nullptr;
  class ResultDock* results_ = nullptr;
};

}  // namespace toolkit
