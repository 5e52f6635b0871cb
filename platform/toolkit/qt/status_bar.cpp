#include "platform/toolkit/qt/status_bar.h"

#include <QLayout>
#include <QPointer>

#include "platform/toolkit/qt/elided_text.h"

namespace toolkit {

namespace {

// The room of the parts that elide their text, in characters: what a run's
// phase, its progress and a port usually take (the window opens wide enough
// for them), and the least each keeps.
constexpr TextRoom kPhaseRoom{28, 8};
constexpr TextRoom kProgressRoom{28, 8};
constexpr TextRoom kPortRoom{20, 6};

// A part whose text is short and always whole: it keeps its size.
QLabel* FixedLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  return label;
}

// A part that shows during runs keeps its room between them: the window
// opens wide enough for it, and the parts beside it stay where they are.
void KeepRoomWhenHidden(QWidget& part) {
  QSizePolicy policy = part.sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  part.setSizePolicy(policy);
}

QString ElapsedText(std::int64_t seconds) {
  return QString::fromUtf8("\u2014 ") + QString::fromStdString(TStatusBar::FormatElapsed(seconds));
}

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

StatusBarView::StatusBarView(TStatusBar& status, QStatusBar& bar)
    : QObject(&bar), status_(status), bar_(bar) {
  // The window's frame resizes it; a grip would only take the lamps' room.
  bar.setSizeGripEnabled(false);
  // The phase and its time read as one; the bar's own stretch follows them.
  text_ = new ElidedLabel("Status", kPhaseRoom, &bar);
  bar.addWidget(text_);
  elapsed_ = FixedLabel("Elapsed", &bar);
  bar.addWidget(elapsed_);
  // Its room is kept too, sized for its first text.
  elapsed_->setText(ElapsedText(0));
  KeepRoomWhenHidden(*elapsed_);
  progress_ = new ElidedProgressBar("Progress", kProgressRoom, &bar);
  KeepRoomWhenHidden(*progress_);
  bar.addPermanentWidget(progress_);
  port_ = new ElidedLabel("Port", kPortRoom, &bar);
  bar.addPermanentWidget(port_);
  speed_ = FixedLabel("Speed", &bar);
  bar.addPermanentWidget(speed_);
  clock_.setInterval(1000);
  clock_.setTimerType(Qt::PreciseTimer);
  connect(&clock_, &QTimer::timeout, this, [this] { ShowElapsed(); });
  status.OnChanged = [shown = QPointer<StatusBarView>(this)] {
    if (shown) shown->Show();
  };
  Show();
}

void StatusBarView::ShowTip(const QString& tip) {
  if (tip == tip_) return;
  tip_ = tip;
  ShowText();
  ShowElapsed();
  KeepLeastWidth();
}

void StatusBarView::KeepLeastWidth() {
  // The main window takes in its status bar's minimum size, not the least
  // its parts need: narrower, they would be drawn over each other. The
  // parts' layout is brought up to date first (at once when nothing changed).
  bar_.layout()->activate();
  const int least = bar_.minimumSizeHint().width();
  if (least != bar_.minimumWidth()) bar_.setMinimumWidth(least);
}

void StatusBarView::Show() {
  ShowText();
  if (status_.ClockRunning() != clock_.isActive()) {
    if (status_.ClockRunning()) {
      clock_.start();
    } else {
      clock_.stop();
    }
  }
  ShowElapsed();
  ShowProgress();
  ShowLine();
  KeepLeastWidth();
}

void StatusBarView::ShowText() {
  text_->SetFullText(tip_.isEmpty() ? QString::fromStdString(status_.Text()) : tip_);
}

void StatusBarView::ShowElapsed() {
  const bool shown = status_.ClockRunning() && tip_.isEmpty();
  if (shown) {
    const QString text = ElapsedText(status_.ElapsedSeconds());
    if (text != elapsed_->text()) elapsed_->setText(text);
  }
  elapsed_->setVisible(shown);
}

void StatusBarView::ShowProgress() {
  const TProgress& progress = status_.Progress();
  progress_->setVisible(progress.maximum > 0);
  progress_->setRange(0, std::max(progress.maximum, 1));
  progress_->setValue(progress.position);
  progress_->SetFullText(QString::fromStdString(progress.text));
}

void StatusBarView::ShowLine() {
  const TLineState& line = status_.Line();
  port_->SetFullText(QString::fromStdString(line.port));
  const QString speed = QString::fromStdString(line.speed);
  if (speed != speed_->text()) speed_->setText(speed);
  if (line.lamps == shownLamps_) return;
  while (lamps_.size() < line.lamps.size()) {
    QLabel* lamp = FixedLabel("", &bar_);
    bar_.addPermanentWidget(lamp);
    lamps_.push_back(lamp);
  }
  for (std::size_t i = 0; i < lamps_.size(); ++i) {
    QLabel* lamp = lamps_[i];
    lamp->setVisible(i < line.lamps.size());
    if (i >= line.lamps.size() || (i < shownLamps_.size() && shownLamps_[i] == line.lamps[i]))
      continue;
    const TLamp& shown = line.lamps[i];
    const QString name = QString::fromStdString(shown.name);
    lamp->setObjectName("Lamp" + name);
    lamp->setText(name);
    lamp->setProperty("state", LampStateName(shown.state));
    lamp->setStyleSheet(LampStyle(shown.state));
  }
  shownLamps_ = line.lamps;
}

}  // namespace toolkit
