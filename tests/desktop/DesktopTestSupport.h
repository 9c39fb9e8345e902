#pragma once

#include "editor/ReportPrinting.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>

// Pages in a PDF written by Qt: one "/Type /Page" object each.
inline int PdfPageCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
    int count = 0;
    auto it = page.globalMatch(QString::fromLatin1(bytes));
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

// The text of a PDF, through pdftotext; empty when that tool is missing.
inline QString PdfText(const QString& path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {};
    QProcess process;
    process.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Sends every print job given its selector (PrintReport's, or the
// application's SetPrinterSelector) to numbered PDF files in a folder and
// records the printer details each job had at hand.
class PdfPrinterSeam
{
public:
    explicit PdfPrinterSeam(QString folder) : m_folder(std::move(folder))
    {
        selector = [this](QPrinter& printer, const PrinterDetails& details) {
            if (missingPrinters.contains(details.printerName))
                return false;
            const QString path = m_folder + QStringLiteral("/job%1.pdf").arg(jobs.size() + 1);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            jobs << path;
            details_ << details;
            return true;
        };
    }

    PrinterSelector selector;
    QStringList jobs;
    QList<PrinterDetails> details_;
    // Printers the seam reports as not installed.
    QStringList missingPrinters;

private:
    QString m_folder;
};
