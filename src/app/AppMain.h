#pragma once

class QApplication;

// Everything main() does once the QApplication exists; returns the exit code.
int RunQZMApplication(QApplication& application);
