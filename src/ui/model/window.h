// The one window as a model: title, geometry, menus and the controls it
// holds, with the focus that moves among them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/model/controls.h"

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

  // One line of plain text (UTF-8) under the design area.
  std::string status;

  // Raised first when the window is asked to unload: setting the flag puts
  // the unloading off, and the window asks again itself when it is ready.
  std::function<void(bool& cancel)> QueryUnload;
  // Raised once when the window is being unloaded (exit command or closing
  // it); the cancel flag is never honoured by this program's handler.
  std::function<void(bool& cancel)> Unload;

  // Unloads the window: raises QueryUnload, then Unload once; later calls do
  // nothing. Returns false when a handler asked to cancel.
  bool RequestUnload() {
    if (unloaded_) return true;
    bool cancel = false;
    if (QueryUnload) QueryUnload(cancel);
    return !cancel && UnloadNow();
  }
  // Without asking first: for when there is no later, the event loop being over.
  bool UnloadNow() {
    if (unloaded_) return true;
    bool cancel = false;
    if (Unload) Unload(cancel);
    if (!cancel) unloaded_ = true;
    return !cancel;
  }
  bool Unloaded() const { return unloaded_; }

  void SetStatus(const std::string& text) {
    if (text == status) return;
    status = text;
    Notify();
  }

  // For the view: the geometry, title or status changed.
  std::function<void()> ViewChanged;
  void Notify() {
    if (ViewChanged) ViewChanged();
  }

 private:
  bool unloaded_ = false;
};

}  // namespace zl
