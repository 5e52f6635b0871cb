// The main window: form caption and placement, menu bar, the memo as a
// plain-text control filling the client area, and a status bar.
#pragma once

#include <QLabel>
#include <QMenu>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <vector>
#include <QTimer>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(TForm& form);
  TForm& Form() const { return form_; }

 protected:
  // Closing asks the application to end; the window goes when it has.
  void closeEvent(QCloseEvent* event) override;

 private:
  void MirrorMemo(TMemo& memo);
  void AddLogMenu(TMemo& memo);
  void SizeToMemo(const TMemo& memo);
  void AppendLine(const std::string& line);
  void ClearLines();
  void ShowStatus();
  void ShowProgress();
  void ShowLine();
  void ShowResults();

  TForm& form_;
  QPlainTextEdit* memo_ = nullptr;
  QMenu* memoMenu_ = nullptr;
  int memoLines_ = 0;
  QLabel* status_ = nullptr;
  QTimer* statusClock_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* port_ = nullptr;
  QLabel* speed_ = nullptr;
  std::vector<QLabel*> lamps_;
  class ResultDock* results_ = nullptr;
};

}  // namespace toolkit
