#include <utility>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

void TResultPane::Show(TResults content) {
  content_ = std::move(content);
  visible_ = true;
  if (OnChanged) OnChanged();
}

void TResultPane::Close() {
  if (!visible_) return;
  visible_ = false;
  if (OnChanged) OnChanged();
}

}  // namespace toolkit
