#include <utility>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

TMenuItem::TMenuItem(std::string name, std::string caption)
    : rtl::TComponent(nullptr), name_(std::move(name)), caption_(std::move(caption)) {}

void TMenuItem::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed();
}

void TMenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed();
}

void TMenuItem::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed();
}

void TMenuItem::SetShortCut(std::uint16_t shortCut) {
  if (shortCut == shortCut_) return;
  shortCut_ = shortCut;
  Changed();
}

void TMenuItem::SetHint(std::string hint) {
  if (hint == hint_) return;
  hint_ = std::move(hint);
  Changed();
}

TMenuItem& TMenuItem::Add(std::unique_ptr<TMenuItem> child) {
  child->parent_ = this;
  children_.push_back(std::move(child));
  return *children_.back();
}

TMenuItem* TMenuItem::Find(std::string_view name) {
  if (name_ == name) return this;
  for (auto& child : children_) {
    if (TMenuItem* found = child->Find(name)) return found;
  }
  return nullptr;
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

void TMenuItem::Changed() {
  if (OnChanged) OnChanged(*this);
}

}  // namespace toolkit
