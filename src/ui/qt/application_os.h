// Internal to QtApp: what to settle before the Qt application exists. One
// source file per system family, chosen by the build.
#pragma once

namespace zl {

// Where a display server is expected but none is named, runs on the
// offscreen platform so that the program can still say what is wrong
// instead of aborting.
void ChooseQtPlatform();

}  // namespace zl
