#pragma once

#include "framework/PrintingInterface.h"

// The printing plugin's work, on Qt Print Support (CPrintingInterface says
// what each does).
bool PrintDialog(QPrinter* printer, QWidget* parent);
int PrintTextPages(QPrinter& printer, const QStringList& text, const QString& title);
bool PrintTextJob(const TextPrintJob& job);
PrinterMissing MissingPrinter(const PrinterDetails& details);
