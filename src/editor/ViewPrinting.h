#pragma once

class CQZMDoc;
class QPrinter;
class QWidget;

enum class PrintMode { Dialog, Direct, Preview };

// Prints the configuration as the text report shows it: Dialog asks for the
// printer first, Direct prints on the default printer, Preview shows the
// pages on screen.
void PrintConfiguration(CQZMDoc& doc, PrintMode mode, QWidget* parent);

// Lays the report's lines out on the printer's pages in a fixed-pitch font.
// Returns the number of pages printed; 0 when the printer cannot start.
int RenderConfiguration(const CQZMDoc& doc, QPrinter& printer);
