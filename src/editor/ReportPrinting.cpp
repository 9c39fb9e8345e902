#include "editor/ReportPrinting.h"

#include "document/QZMDoc.h"
#include "document/TextReport.h"
#include "framework/Interaction.h"
#include "framework/LocalText.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"

namespace {
constexpr int kTabWidth = 8;

QString ExpandTabs(const QString& line)
{
    if (!line.contains(QLatin1Char('\t')))
        return line;
    QString out;
    for (QChar c : line) {
        if (c == QLatin1Char('\t'))
            out += QString(kTabWidth - out.size() % kTabWidth, QLatin1Char(' '));
        else
            out += c;
    }
    return out;
}

// The printing plugin; nullptr (after a warning) when it cannot be opened.
CPrintingInterface* Printing()
{
    auto* printing = Plugin<CPrintingInterface>(kPrintingPlugin);
    if (!printing)
        qWarning("Printing is not available: %s", qPrintable(PluginError(kPrintingPlugin)));
    return printing;
}
} // namespace

QStringList ReportPrintLines(const CQZMDoc& doc)
{
    const QByteArray report = BuildTextReport(doc, ReportNameFromTitle(doc.GetTitle()));
    // Line by line: each description is read in its own encoding. A line
    // ends at "\r\n", "\r" or "\n".
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= report.size(); ++i) {
        if (i < report.size() && report[i] != '\r' && report[i] != '\n')
            continue;
        lines << ExpandTabs(DecodeStoredText(report.mid(start, i - start)).text);
        if (i + 1 < report.size() && report[i] == '\r' && report[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    // The report ends with a line break, not with an empty line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

int PrintReportPages(QPrinter& printer, const CQZMDoc& doc)
{
    CPrintingInterface* printing = Printing();
    return printing ? printing->PrintPages(printer, ReportPrintLines(doc), doc.GetTitle()) : -1;
}

bool PrintReport(const CQZMDoc& doc, ReportPrintJob job, QWidget* parent, const PrinterDetails& details,
                 const PrinterSelector* selector)
{
    CPrintingInterface* printing = Printing();
    TextPrintJob text;
    text.lines = ReportPrintLines(doc);
    text.title = doc.GetTitle();
    text.kind = job == ReportPrintJob::Preview  ? TextPrintJob::Kind::Preview
                : job == ReportPrintJob::Direct ? TextPrintJob::Kind::Direct
                                                : TextPrintJob::Kind::Dialog;
    text.parent = parent;
    text.details = details;
    text.selector = selector;
    text.interaction = &CInteraction::Instance();
    if (!printing || !printing->Print(text)) {
        // Say what is missing when it is the printer; a test's own selector
        // stands for a printer.
        const bool selected = selector && *selector;
        const PrinterMissing missing = printing && !selected ? printing->MissingPrinter(details) : PrinterMissing::No;
        if (missing == PrinterMissing::NoneInstalled)
            AfxMessageBox(IDS_NO_PRINTER);
        else if (missing == PrinterMissing::NamedPrinter)
            AfxMessageBox(CStringTable::Load(IDS_PRINTER_NOT_FOUND).arg(details.printerName));
        else
            AfxMessageBox(AFX_IDP_COMMAND_FAILURE);
        return false;
    }
    return true;
}
