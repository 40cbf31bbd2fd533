// The Qt application object. No Qt header leaks out of here.
#pragma once

#include <memory>

namespace zl {

// Owns the Qt application. Where a display server is expected (X11,
// Wayland) but none is named and no QT_QPA_PLATFORM is set, it runs on the
// offscreen platform instead of aborting, and DisplayPresent() says so.
class QtApp {
 public:
  QtApp(int& argc, char** argv);
  ~QtApp();
  bool DisplayPresent() const { return display_; }
  int Exec();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  bool display_ = false;
};

}  // namespace zl
