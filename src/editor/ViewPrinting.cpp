#include "editor/ViewPrinting.h"

#include "editor/ReportPrinting.h"

int RenderConfiguration(const CQZMDoc& doc, QPrinter& printer)
{
    return qMax(0, PrintReportPages(printer, doc));
}

void PrintConfiguration(CQZMDoc& doc, PrintMode mode, QWidget* parent)
{
    switch (mode) {
    case PrintMode::Dialog: PrintReport(doc, ReportPrintJob::Dialog, parent); break;
    case PrintMode::Direct: PrintReport(doc, ReportPrintJob::Direct, parent); break;
    case PrintMode::Preview: PrintReport(doc, ReportPrintJob::Preview, parent); break;
    }
}
