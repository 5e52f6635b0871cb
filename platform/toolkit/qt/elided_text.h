// A label and a progress bar whose text, when it does not fit, ends in "…"
// rather than being cut mid-letter or drawn over the next widget; the whole
// text is then their tool tip.
#pragma once

#include <QLabel>
#include <QProgressBar>

namespace toolkit {

// The room a part with such a text asks its layout for, in characters: for
// the whole text, or while it has none for a typical one (so that a window
// opens wide enough for what comes); and the least it makes do with.
struct TextRoom {
  int typicalChars = 0;
  int leastChars = 0;

  // Widths in pixels in the part's font, its padding left out.
  int Wanted(const QWidget& part, const QString& text) const;
  int Least(const QWidget& part, const QString& text) const;
};

class ElidedLabel : public QLabel {
 public:
  ElidedLabel(const char* name, TextRoom room, QWidget* parent);
  void SetFullText(const QString& text);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  int Padding() const;
  void Elide();

  QString full_;
  TextRoom room_;
};

class ElidedProgressBar : public QProgressBar {
 public:
  ElidedProgressBar(const char* name, TextRoom room, QWidget* parent);
  // The text on the bar, taken as it stands ("%" is no placeholder).
  void SetFullText(const QString& text);
  // What the bar shows: its text, elided to the room for it.
  QString text() const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The bar's width less the room its text has, at any width.
  int Padding() const;
  void ShowWholeTextAsTip();

  TextRoom room_;
};

}  // namespace toolkit
