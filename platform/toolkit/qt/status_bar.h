// The main window's status bar, kept in step with the form's status-bar model:
// the phase (or the status tip of the menu item under the pointer) and the
// time elapsed, the progress bar, the port, the speed and the lamps. A part
// is set only when what it shows changes, so a run's wait passes cost the
// window nothing while the picture stands still.
#pragma once

#include <QLabel>
#include <QObject>
#include <QStatusBar>
#include <QTimer>
#include <vector>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

class ElidedLabel;
class ElidedProgressBar;

class StatusBarView : public QObject {
 public:
  // Adds the parts to bar and follows status from now on.
  StatusBarView(TStatusBar& status, QStatusBar& bar);
  // The tip stands in for the phase until an empty one ends it.
  void ShowTip(const QString& tip);

 private:
  void Show();
  void ShowText();
  void ShowElapsed();
  void ShowProgress();
  void ShowLine();
  void KeepLeastWidth();

  TStatusBar& status_;
  QStatusBar& bar_;
  QString tip_;
  ElidedLabel* text_ = nullptr;
  QLabel* elapsed_ = nullptr;
  QTimer clock_;
  ElidedProgressBar* progress_ = nullptr;
  ElidedLabel* port_ = nullptr;
  QLabel* speed_ = nullptr;
  std::vector<QLabel*> lamps_;
  std::vector<TLamp> shownLamps_;
};

}  // namespace toolkit
