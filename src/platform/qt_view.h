// The Qt Widgets side: the view that draws the window model, the message box
// and the toolkit services. No Qt header leaks out of here, so nothing above
// platform/ depends on widgets.
#pragma once

#include <memory>
#include <string>

#include "shell.h"
#include "window.h"

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

// Messages to the operator: standard error always, a message box over the
// window when a display is present.
class QtMessages : public MessageSink {
 public:
  explicit QtMessages(bool display) : display_(display) {}
  void SetParent(QtView* view) { view_ = view; }
  void Show(const std::string& text) override;

 private:
  bool display_;
  QtView* view_ = nullptr;
};

class QtToolkit : public Toolkit {
 public:
  void SetView(QtView* view) { view_ = view; }
  std::string AppPath() const override;
  std::string UserDataPath() const override;
  std::string SeedDatabasePath() const override;
  // Closes the window and ends the event loop.
  void EndWindow() override;
  // A wait cursor over the whole application while on.
  void ShowBusy(bool on) override;

 private:
  QtView* view_ = nullptr;
};

}  // namespace zl
