// The one window as a model: title, geometry, menus and the controls it
// holds, with the focus that moves among them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "controls.h"

namespace zl {

class Window {
 public:
  std::string title;
  // Outer geometry in twips, as the load event sets it.
  Rect geometry;
  // Client area of the design, in twips (below the menu bar).
  int client_width = 0, client_height = 0;
  Font font;

  // Every control, containers before what they contain.
  std::vector<Control*> controls;
  std::vector<Menu*> menus;
  FocusManager focus;

  // Raised once when the window is being unloaded (exit command or closing
  // it); the cancel flag is never honoured by this program's handler.
  std::function<void(bool& cancel)> Unload;

  // Unloads the window: raises Unload once; later calls do nothing.
  // Returns false when the handler asked to cancel.
  bool RequestUnload() {
    if (unloaded_) return true;
    bool cancel = false;
    if (Unload) Unload(cancel);
    if (!cancel) unloaded_ = true;
    return !cancel;
  }
  bool Unloaded() const { return unloaded_; }

  // For the view: the geometry or title changed.
  std::function<void()> ViewChanged;
  void Notify() {
    if (ViewChanged) ViewChanged();
  }

 private:
  bool unloaded_ = false;
};

}  // namespace zl
