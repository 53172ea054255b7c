#pragma once
/// The `view` job of the tarn program: the active view in an X11 window, driven by the mouse,
/// the keyboard, the window's command field and the terminal at once.

#include <string>
#include <vector>

namespace tarn::window {

/// `tarn view [SCRIPT]`: opens the window (status 2 with a message naming the headless commands
/// when there is no display), runs SCRIPT, then runs the window until it is closed. Answers the
/// process exit status. Main thread only.
int runViewJob(const std::vector<std::string>& args);
/// The text of `tarn view --help`.
const char* viewUsage();

}  // namespace tarn::window
