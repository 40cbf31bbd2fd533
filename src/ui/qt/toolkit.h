// The message box and the toolkit services on Qt. No Qt header leaks out of
// here.
#pragma once

#include <string>

#include "app/shell.h"

namespace zl {

class QtView;

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
  // The running executable itself.
  std::string ProgramPath() const;
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
