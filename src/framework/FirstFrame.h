#pragma once

class QWidget;

// The main window's first size in pixels, which the editor's form is made
// to fit.
constexpr int kFirstFrameWidth = 312;
constexpr int kFirstFrameHeight = 658;

// Runs the event loop until the top-level window has painted its first
// frame, at most timeoutMs. A widget window paints while it handles its
// first expose event, so this returns once that event has been handled (a
// zero-delay timer would fire before it). Returns false on the timeout or
// when the window is hidden meanwhile.
bool WaitForFirstFrame(QWidget* window, int timeoutMs);
