// Window controls as plain models. They hold what the window's code reads and
// writes (texts, captions, enabled states, list items, selections) and raise
// the window's events. A view (the Qt one, or a test) draws them and turns the
// operator's actions into the same events.
//
// Texts are 8-bit strings: one char per code, VNI for Vietnamese. Only the
// view decodes them for display.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zl {

class FocusManager;

// Design geometry in twips; the view divides by 15.
struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

struct Font {
  double points = 14.25;
  bool bold = false;
};

enum class Align { Left, Center };

enum class Kind { Frame, Button, TextField, Combo, Label, Line, Grid };

class Control {
 public:
  Control(std::string name, Kind kind) : name_(std::move(name)), kind_(kind) {}
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  const std::string& Name() const { return name_; }
  Kind GetKind() const { return kind_; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);

  // Layout as designed; read by the view.
  Rect place;
  Font font;
  Rgb fore{0, 0, 0};
  Rgb fill{255, 255, 255};
  Align align = Align::Left;
  int tab_index = -1;
  Control* container = nullptr;

  // Whether the control can hold the focus at all (labels, frames and lines
  // cannot).
  bool Focusable() const {
    return kind_ == Kind::Button || kind_ == Kind::TextField || kind_ == Kind::Combo || kind_ == Kind::Grid;
  }

  // Focus request from code. A disabled control takes no focus.
  void SetFocus();

  void AttachFocus(FocusManager* focus) { focus_ = focus; }

  std::function<void()> GotFocus;
  std::function<void()> LostFocus;

  // For the view: called after any change of what it shows.
  std::function<void()> ViewChanged;

 protected:
  void Notify() {
    if (ViewChanged) ViewChanged();
  }

 private:
  std::string name_;
  Kind kind_;
  bool enabled_ = true;
  FocusManager* focus_ = nullptr;
};

// Tracks which control holds the focus, and raises LostFocus on the control
// left before GotFocus on the one entered, whichever side moved it.
class FocusManager {
 public:
  Control* Current() const { return current_; }
  // A move requested by code or made by the operator; ignored for a disabled
  // or unfocusable control, and for the control that already has the focus.
  bool MoveTo(Control* target);
  // For the view: called when the focus moves from code.
  std::function<void(Control*)> ViewFocus;

 private:
  Control* current_ = nullptr;
};

// A field whose character codes arrive by reference: a handler may replace
// the code, 0 drops the character.
using KeyHandler = std::function<void(std::int16_t& key_ascii)>;

class Button : public Control {
 public:
  explicit Button(std::string name) : Control(std::move(name), Kind::Button) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  std::function<void()> Click;
  // The operator's click: a disabled button does nothing.
  void PerformClick();

 private:
  std::string caption_;
};

class Label : public Control {
 public:
  explicit Label(std::string name, Kind kind = Kind::Label) : Control(std::move(name), kind) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);

 private:
  std::string caption_;
};

class Frame : public Label {
 public:
  explicit Frame(std::string name) : Label(std::move(name), Kind::Frame) {}
};

class Line : public Control {
 public:
  explicit Line(std::string name) : Control(std::move(name), Kind::Line) {}
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

class TextField : public Control {
 public:
  explicit TextField(std::string name) : Control(std::move(name), Kind::TextField) {}

  const std::string& Text() const { return text_; }
  // Every change of the text raises Change, the program's own writes included.
  void SetText(std::string text);

  int SelStart() const { return sel_start_; }
  int SelLength() const { return sel_length_; }
  void SetSelStart(int start);
  void SetSelLength(int length);

  KeyHandler KeyPress;
  std::function<void()> Change;

  // The operator typed a character: raises KeyPress, then inserts what is
  // left of it at the selection. Backspace (8) deletes. Nothing when disabled.
  void TypeChar(std::int16_t key_ascii);
  // The operator's edit as the view saw it (a paste, Delete key): sets the
  // text and caret without KeyPress.
  void EditFromView(std::string text, int caret);

 private:
  std::string text_;
  int sel_start_ = 0;
  int sel_length_ = 0;
};

class Combo : public Control {
 public:
  explicit Combo(std::string name) : Control(std::move(name), Kind::Combo) {}

  const std::string& Text() const { return text_; }
  // Sets the shown text without raising Click, as code does.
  void SetText(std::string text);

  int ListCount() const { return static_cast<int>(items_.size()); }
  const std::string& List(int index) const { return items_.at(index); }
  const std::vector<std::string>& Items() const { return items_; }
  void AddItem(std::string item, std::string tooltip = {});
  void RemoveItem(int index);
  const std::string& ItemTip(int index) const { return tips_.at(index); }

  KeyHandler KeyPress;
  std::function<void()> Click;

  // The operator picked entry `index` from the list.
  void Choose(int index);
  // A character typed while the combo has the focus. The combo's text never
  // takes typed characters; the code only reaches KeyPress.
  void TypeChar(std::int16_t key_ascii);

 private:
  std::string text_;
  std::vector<std::string> items_;
  std::vector<std::string> tips_;
};

class MenuItem {
 public:
  MenuItem(std::string name, std::string caption, std::string shortcut)
      : name_(std::move(name)), caption_(std::move(caption)), shortcut_(std::move(shortcut)) {}
  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  // Qt-style key sequence text ("Ctrl+N"); empty for none.
  const std::string& Shortcut() const { return shortcut_; }
  bool IsSeparator() const { return caption_ == "-"; }
  std::function<void()> Click;
  void PerformClick() {
    if (Click) Click();
  }

 private:
  std::string name_, caption_, shortcut_;
};

class Menu {
 public:
  Menu(std::string name, std::string caption) : name_(std::move(name)), caption_(std::move(caption)) {}
  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  std::vector<MenuItem*> items;

 private:
  std::string name_, caption_;
};

}  // namespace zl
