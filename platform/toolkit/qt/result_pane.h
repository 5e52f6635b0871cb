// The results pane as a dock beside the log: sentences, copyable fields with
// a Copy button each, and a table of checks with a pass or fail mark.
#pragma once

#include <QDockWidget>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

class ResultDock : public QDockWidget {
 public:
  ResultDock(TResultPane& pane, QWidget* parent);
  // Brings the dock in step with the pane.
  void Refresh();

 protected:
  // The close button closes the pane; the model has the last word.
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* BuildContent(const TResults& results);

  TResultPane& pane_;
};

}  // namespace toolkit
