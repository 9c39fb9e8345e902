#include "editor/ReportPrinting.h"

#include "document/QZMDoc.h"
#include "document/TextReport.h"
#include "framework/Interaction.h"
#include "framework/LocalText.h"
#include "framework/StandardIds.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

namespace {
constexpr int kFontPoints = 10;
constexpr int kTabWidth = 8;

PrinterSelector g_selector;

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

QFont ReportFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(kFontPoints);
    return font;
}

// Breaks lines longer than the page is wide; the font is fixed-pitch, so a
// column count is exact.
QStringList WrapLines(const QStringList& lines, int columns)
{
    QStringList out;
    for (const QString& line : lines) {
        if (line.size() <= columns) {
            out << line;
            continue;
        }
        for (int at = 0; at < line.size(); at += columns)
            out << line.mid(at, columns);
    }
    return out;
}

QList<int> PagesToPrint(const QPrinter& printer, int pageCount)
{
    int first = 1;
    int last = pageCount;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = qMax(1, printer.fromPage());
        last = qMin(pageCount, printer.toPage() > 0 ? printer.toPage() : pageCount);
    }
    QList<int> pages;
    for (int page = first; page <= last; ++page)
        pages << page;
    if (printer.pageOrder() == QPrinter::LastPageFirst)
        std::reverse(pages.begin(), pages.end());
    return pages;
}
} // namespace

void SetPrinterSelector(PrinterSelector selector)
{
    g_selector = std::move(selector);
}

bool SelectPrinter(QPrinter& printer, const PrinterDetails& details, bool direct)
{
    if (g_selector)
        return g_selector(printer, details);
    if (!details.printerName.isEmpty()) {
        // Never fall back to another printer than the one asked for.
        const QPrinterInfo info = QPrinterInfo::printerInfo(details.printerName);
        if (info.isNull())
            return false;
        printer.setPrinterName(info.printerName());
        return printer.isValid();
    }
    // Without a printer Qt would make a PDF with nowhere to go.
    if (direct)
        return printer.outputFormat() == QPrinter::NativeFormat && !printer.printerName().isEmpty()
               && printer.isValid();
    return true;
}

QStringList ReportPrintLines(const CQZMDoc& doc)
{
    const QByteArray report = BuildTextReport(doc, ReportNameFromTitle(doc.GetTitle()));
    QStringList lines = LocalBytesToText(report).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    // The report ends with a line break, not with an empty line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        line = ExpandTabs(line);
    return lines;
}

int PrintReportPages(QPrinter& printer, const CQZMDoc& doc)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return -1;

    const QFont font = ReportFont();
    QFont headerFont = font;
    headerFont.setBold(true);
    painter.setFont(font);
    const QFontMetrics metrics(font, &printer);
    const int lineHeight = qMax(1, metrics.lineSpacing());
    const QRect area(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    const int headerHeight = lineHeight * 2;
    const int linesPerPage = qMax(1, (area.height() - headerHeight) / lineHeight);
    const int columns = qMax(1, area.width() / qMax(1, metrics.horizontalAdvance(QLatin1Char('M'))));

    const QStringList lines = WrapLines(ReportPrintLines(doc), columns);
    const int pageCount = qMax(1, int((lines.size() + linesPerPage - 1) / linesPerPage));
    const QList<int> pages = PagesToPrint(printer, pageCount);
    const QString title = doc.GetTitle();

    auto drawPage = [&](int page) {
        painter.setFont(headerFont);
        const QString number = QStringLiteral("%1/%2").arg(page).arg(pageCount);
        const int numberWidth = metrics.horizontalAdvance(number) + metrics.horizontalAdvance(QLatin1Char('M'));
        painter.drawText(QRect(0, 0, area.width() - numberWidth, lineHeight),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         metrics.elidedText(title, Qt::ElideMiddle, area.width() - numberWidth));
        painter.drawText(QRect(0, 0, area.width(), lineHeight), Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
                         number);
        const int rule = lineHeight + lineHeight / 3;
        painter.drawLine(0, rule, area.width(), rule);
        painter.setFont(font);
        const int first = (page - 1) * linesPerPage;
        const int end = qMin(int(lines.size()), first + linesPerPage);
        int y = headerHeight;
        for (int i = first; i < end; ++i, y += lineHeight)
            painter.drawText(QRect(0, y, area.width(), lineHeight), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                             lines.at(i));
    };

    // Printers that cannot make copies themselves get each copy drawn.
    const int copies = printer.supportsMultipleCopies() ? 1 : qMax(1, printer.copyCount());
    const bool collate = printer.collateCopies();
    int printed = 0;
    auto emitPage = [&](int page) {
        if (printed > 0)
            printer.newPage();
        drawPage(page);
        ++printed;
    };
    if (collate) {
        for (int copy = 0; copy < copies; ++copy)
            for (int page : pages)
                emitPage(page);
    } else {
        for (int page : pages)
            for (int copy = 0; copy < copies; ++copy)
                emitPage(page);
    }
    painter.end();
    return printed;
}

bool PrintReport(const CQZMDoc& doc, ReportPrintJob job, QWidget* parent, const PrinterDetails& details)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(doc.GetTitle());
    if (job == ReportPrintJob::Preview) {
        SelectPrinter(printer, details, false);
        QPrintPreviewDialog preview(&printer, parent);
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                         [&doc](QPrinter* target) { PrintReportPages(*target, doc); });
        CInteraction::Instance().RunModal(&preview);
        return true;
    }
    if (!SelectPrinter(printer, details, job == ReportPrintJob::Direct)) {
        AfxMessageBox(AFX_IDP_COMMAND_FAILURE);
        return false;
    }
    PrintRequest request;
    request.printer = &printer;
    request.showDialog = job == ReportPrintJob::Dialog;
    if (!CInteraction::Instance().PrintDialog(request))
        return true;
    if (PrintReportPages(printer, doc) < 0) {
        AfxMessageBox(AFX_IDP_COMMAND_FAILURE);
        return false;
    }
    return true;
}
