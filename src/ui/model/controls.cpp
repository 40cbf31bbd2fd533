#include "ui/model/controls.h"

#include <algorithm>

namespace zl {

void Control::SetEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  Notify();
}

void Control::SetFocus() {
  if (focus_) focus_->MoveTo(this);
}

bool FocusManager::MoveTo(Control* target) {
  if (!target || !target->Focusable() || !target->Enabled()) return false;
  if (target == current_) return true;
  Control* left = current_;
  current_ = target;
  if (ViewFocus) ViewFocus(target);
  if (left && left->LostFocus) left->LostFocus();
  // A LostFocus handler may have moved the focus elsewhere already.
  if (current_ == target && target->GotFocus) target->GotFocus();
  return true;
}

void Button::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Notify();
}

void Button::PerformClick() {
  if (Enabled() && Click) Click();
}

void Label::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Notify();
}

void TextField::SetText(std::string text) {
  text_ = std::move(text);
  const int len = static_cast<int>(text_.size());
  sel_start_ = std::min(sel_start_, len);
  sel_length_ = std::min(sel_length_, len - sel_start_);
  Notify();
  if (Change) Change();
}

void TextField::SetSelStart(int start) {
  sel_start_ = std::clamp(start, 0, static_cast<int>(text_.size()));
  sel_length_ = 0;
  Notify();
}

void TextField::SetSelLength(int length) {
  sel_length_ = std::clamp(length, 0, static_cast<int>(text_.size()) - sel_start_);
  Notify();
}

void TextField::TypeChar(std::int16_t key_ascii) {
  if (!Enabled()) return;
  if (KeyPress) KeyPress(key_ascii);
  if (key_ascii == 0) return;
  std::string text = text_;
  int start = sel_start_;
  int length = sel_length_;
  if (key_ascii == 8) {
    if (length == 0) {
      if (start == 0) return;
      --start;
      length = 1;
    }
    text.erase(start, length);
  } else if (key_ascii >= 32 && key_ascii <= 255) {
    text.replace(start, length, 1, static_cast<char>(key_ascii));
    ++start;
  } else {
    return;  // other control characters insert nothing
  }
  sel_start_ = start;
  sel_length_ = 0;
  SetText(std::move(text));
}

void TextField::EditFromView(std::string text, int caret) {
  if (text == text_) return;
  sel_start_ = std::clamp(caret, 0, static_cast<int>(text.size()));
  sel_length_ = 0;
  SetText(std::move(text));
}

void Combo::SetText(std::string text) {
  text_ = std::move(text);
  Notify();
}

void Combo::AddItem(std::string item, std::string tooltip) {
  items_.push_back(std::move(item));
  tips_.push_back(std::move(tooltip));
  Notify();
}

void Combo::RemoveItem(int index) {
  items_.erase(items_.begin() + index);
  tips_.erase(tips_.begin() + index);
  Notify();
}

void Combo::Choose(int index) {
  if (!Enabled() || index < 0 || index >= ListCount()) return;
  text_ = items_[index];
  Notify();
  if (Click) Click();
}

void Combo::TypeChar(std::int16_t key_ascii) {
  if (!Enabled()) return;
  if (KeyPress) KeyPress(key_ascii);
}

}  // namespace zl
