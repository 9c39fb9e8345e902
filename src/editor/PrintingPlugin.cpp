#include "editor/PrintingPlugin.h"

#include "editor/ReportPrinter.h"

bool CPrintingPlugin::PrintDialog(QPrinter* printer, QWidget* parent)
{
    return ::PrintDialog(printer, parent);
}

int CPrintingPlugin::PrintPages(QPrinter& printer, const QStringList& lines, const QString& title)
{
    return PrintTextPages(printer, lines, title);
}

bool CPrintingPlugin::Print(const TextPrintJob& job)
{
    return PrintTextJob(job);
}

PrinterMissing CPrintingPlugin::MissingPrinter(const PrinterDetails& details)
{
    return ::MissingPrinter(details);
}
