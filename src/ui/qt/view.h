// The Qt Widgets view of a window model. No Qt header leaks out of here, so
// nothing but ui/qt/ and main.cpp depends on widgets.
#pragma once

#include <memory>
#include <string>

#include "ui/model/window.h"

class QWidget;

namespace zl {

// Builds the widgets for a window model, keeps them in step with the models
// and turns the operator's actions into the models' events.
class QtView {
 public:
  explicit QtView(Window& window);
  ~QtView();
  // Shows the window at its geometry and makes it active.
  void Show();
  // Closes the window without raising the unload event again.
  void Close();
  // The widget drawing control `name` (nullptr if none); for tests.
  QWidget* Find(const std::string& name) const;
  QWidget* TopLevel() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zl
