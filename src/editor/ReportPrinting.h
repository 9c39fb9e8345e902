#pragma once

#include "framework/PrintingInterface.h"

#include <QString>
#include <QStringList>

class CQZMDoc;
class QPrinter;
class QWidget;

// The report's lines as they are printed: one entry per printed line, line
// breaks inside descriptions split, tabs expanded.
QStringList ReportPrintLines(const CQZMDoc& doc);

// Prints the configuration as the text report shows it, in a fixed-pitch
// font, with the document's title and the page number in a header on every
// page. Honours the chosen page range and, where the printer cannot make
// copies itself, the copy count. Returns the number of pages printed, -1 when
// the printer cannot start.
int PrintReportPages(QPrinter& printer, const CQZMDoc& doc);

enum class ReportPrintJob { Dialog, Direct, Preview };

// One print command from start to end: Dialog asks for the printer through
// the interaction seam, Direct prints at once on the printer the details name
// (else the default), Preview shows Qt's print preview. A printer that cannot
// be used shows "Command failed." and gives false: the job printed nothing.
// A job the user cancels is no failure. A selector (when set and not empty)
// chooses the printer instead: tests point jobs at PDF files.
bool PrintReport(const CQZMDoc& doc, ReportPrintJob job, QWidget* parent, const PrinterDetails& printer = {},
                 const PrinterSelector* selector = nullptr);
