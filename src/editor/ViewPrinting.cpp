#include "editor/ViewPrinting.h"

#include "document/QZMDoc.h"
#include "document/TextReport.h"
#include "framework/Interaction.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QtGlobal>

namespace {
constexpr int kFontPoints = 10;

QStringList ReportLines(const CQZMDoc& doc)
{
    const QByteArray report = BuildTextReport(doc, ReportNameFromTitle(doc.GetTitle()));
    QStringList lines = QString::fromLocal8Bit(report).split(QStringLiteral("\r\n"));
    // The report ends with a line break, not with an empty line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        line.remove(QLatin1Char('\r'));
    return lines;
}
} // namespace

int RenderConfiguration(const CQZMDoc& doc, QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        qWarning("Printing: the printer could not be started");
        return 0;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(kFontPoints);
    painter.setFont(font);
    const QFontMetrics metrics(font, &printer);
    const int lineHeight = qMax(1, metrics.lineSpacing());
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    const int pageHeight = qMax(lineHeight, area.height());

    int pages = 1;
    int y = 0;
    // A description may hold line breaks of its own: each is a printed line.
    QStringList printed;
    for (const QString& line : ReportLines(doc))
        printed << line.split(QLatin1Char('\n'));
    for (const QString& line : std::as_const(printed)) {
        if (y + lineHeight > pageHeight) {
            printer.newPage();
            ++pages;
            y = 0;
        }
        painter.drawText(QRect(0, y, area.width(), lineHeight), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         line);
        y += lineHeight;
    }
    painter.end();
    return pages;
}

void PrintConfiguration(CQZMDoc& doc, PrintMode mode, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(doc.GetTitle());
    if (mode == PrintMode::Preview) {
        QPrintPreviewDialog preview(&printer, parent);
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                         [&doc](QPrinter* target) { RenderConfiguration(doc, *target); });
        CInteraction::Instance().RunModal(&preview);
        return;
    }
    PrintRequest request;
    request.printer = &printer;
    request.showDialog = mode == PrintMode::Dialog;
    if (!CInteraction::Instance().PrintDialog(request))
        return;
    RenderConfiguration(doc, printer);
}
