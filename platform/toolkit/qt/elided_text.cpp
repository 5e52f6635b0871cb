#include "platform/toolkit/qt/elided_text.h"

#include <QStyle>
#include <QStyleOptionProgressBar>
#include <algorithm>
#include <cmath>

namespace toolkit {

namespace {

// The width a text takes, rounded up: eliding measures it unrounded.
int TextWidth(const QWidget& widget, const QString& text) {
  return static_cast<int>(std::ceil(QFontMetricsF(widget.fontMetrics()).horizontalAdvance(text)));
}

// Room for `count` characters of running text: the letter n errs a little
// wide in most fonts, where the font's average character errs narrow.
int Chars(const QWidget& widget, int count) {
  return TextWidth(widget, QString(count, QLatin1Char('n')));
}

}  // namespace

int TextRoom::Wanted(const QWidget& part, const QString& text) const {
  return text.isEmpty() ? Chars(part, typicalChars) : TextWidth(part, text);
}

int TextRoom::Least(const QWidget& part, const QString& text) const {
  return std::min(Chars(part, leastChars), Wanted(part, text));
}

ElidedLabel::ElidedLabel(const char* name, TextRoom room, QWidget* parent)
    : QLabel(parent), room_(room) {
  setObjectName(name);
  // A device path or a phase is text, never markup.
  setTextFormat(Qt::PlainText);
}

void ElidedLabel::SetFullText(const QString& text) {
  if (text == full_) return;
  const bool resized = TextWidth(*this, text) != TextWidth(*this, full_);
  full_ = text;
  if (resized) updateGeometry();
  Elide();
}

int ElidedLabel::Padding() const {
  const QMargins margins = contentsMargins();
  return margins.left() + margins.right() + 2 * margin();
}

QSize ElidedLabel::sizeHint() const {
  const QMargins margins = contentsMargins();
  return {room_.Wanted(*this, full_) + Padding(),
          fontMetrics().height() + margins.top() + margins.bottom() + 2 * margin()};
}

QSize ElidedLabel::minimumSizeHint() const {
  return {room_.Least(*this, full_) + Padding(), sizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void ElidedLabel::Elide() {
  const QString shown = fontMetrics().elidedText(full_, Qt::ElideRight, width() - Padding());
  if (shown != text()) setText(shown);
  setToolTip(shown == full_ ? QString() : full_);
}

ElidedProgressBar::ElidedProgressBar(const char* name, TextRoom room, QWidget* parent)
    : QProgressBar(parent), room_(room) {
  setObjectName(name);
  // Its text says how far the run is; the bar takes no more room than it.
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedProgressBar::SetFullText(const QString& text) {
  QString format = text;
  format.replace('%', "%%");  // a placeholder mark otherwise
  if (format == this->format()) return;
  const bool resized = TextWidth(*this, text) != TextWidth(*this, QProgressBar::text());
  setFormat(format);
  if (resized) updateGeometry();
  ShowWholeTextAsTip();
}

QString ElidedProgressBar::text() const {
  return fontMetrics().elidedText(QProgressBar::text(), Qt::ElideRight, width() - Padding());
}

void ElidedProgressBar::resizeEvent(QResizeEvent* event) {
  QProgressBar::resizeEvent(event);
  ShowWholeTextAsTip();
}

void ElidedProgressBar::ShowWholeTextAsTip() {
  const QString whole = QProgressBar::text();
  setToolTip(text() == whole ? QString() : whole);
}

int ElidedProgressBar::Padding() const {
  // The label's room as the style lays it out, less a margin at each end so
  // that the text keeps clear of the bar's rounded ends.
  QStyleOptionProgressBar option;
  option.initFrom(this);
  option.state |= QStyle::State_Horizontal;
  option.textVisible = true;
  const QRect label = style()->subElementRect(QStyle::SE_ProgressBarLabel, &option, this);
  return width() - label.width() + 2 * fontMetrics().averageCharWidth();
}

QSize ElidedProgressBar::sizeHint() const {
  return {room_.Wanted(*this, QProgressBar::text()) + Padding(),
          QProgressBar::sizeHint().height()};
}

QSize ElidedProgressBar::minimumSizeHint() const {
  return {room_.Least(*this, QProgressBar::text()) + Padding(),
          QProgressBar::minimumSizeHint().height()};
}

}  // namespace toolkit
