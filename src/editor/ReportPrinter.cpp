// Printing on Qt Print Support, for the printing plugin. It gets what it
// needs of the program (the lines, the dialogs' seam) with each job.
#include "editor/ReportPrinter.h"

#include "framework/Interaction.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace {
constexpr int kFontPoints = 10;

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

bool PrintDialog(QPrinter* printer, QWidget* parent)
{
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

namespace {
bool SelectPrinter(QPrinter& printer, const PrinterDetails& details, bool direct, const PrinterSelector* selector)
{
    if (selector && *selector)
        return (*selector)(printer, details);
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

} // namespace

int PrintTextPages(QPrinter& printer, const QStringList& text, const QString& title)
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

    const QStringList lines = WrapLines(text, columns);
    const int pageCount = qMax(1, int((lines.size() + linesPerPage - 1) / linesPerPage));
    const QList<int> pages = PagesToPrint(printer, pageCount);

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

PrinterMissing MissingPrinter(const PrinterDetails& details)
{
    if (!details.printerName.isEmpty())
        return QPrinterInfo::printerInfo(details.printerName).isNull() ? PrinterMissing::NamedPrinter
                                                                       : PrinterMissing::No;
    return QPrinterInfo::availablePrinterNames().isEmpty() ? PrinterMissing::NoneInstalled : PrinterMissing::No;
}

bool PrintTextJob(const TextPrintJob& job)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(job.title);
    if (job.kind == TextPrintJob::Kind::Preview) {
        SelectPrinter(printer, job.details, false, job.selector);
        QPrintPreviewDialog preview(&printer, job.parent);
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                         [&job](QPrinter* target) { PrintTextPages(*target, job.lines, job.title); });
        job.interaction->RunModal(&preview);
        return true;
    }
    if (!SelectPrinter(printer, job.details, job.kind == TextPrintJob::Kind::Direct, job.selector))
        return false;
    PrintRequest request;
    request.printer = &printer;
    request.showDialog = job.kind == TextPrintJob::Kind::Dialog;
    if (!job.interaction->PrintDialog(request))
        return true;
    return PrintTextPages(printer, job.lines, job.title) >= 0;
}
