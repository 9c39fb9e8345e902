#pragma once

class QApplication;

// Everything main() does once the QApplication exists; returns the exit code.
// terminalOnly: there is no display; messages go to the terminal.
int RunQZMApplication(QApplication& application, bool terminalOnly = false);

// True when a window could be shown (always on Windows).
bool HasDisplay();
