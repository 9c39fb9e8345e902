// What a printed page shows, the print commands, and the print switches.
#include "DesktopTestSupport.h"

#include "app/QZMApp.h"
#include "app/ShellRegistration.h"
#include "document/QZMDoc.h"
#include "frame/MainFrame.h"
#include "framework/StandardIds.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A version-3 file with one Read entry (address 7) and the description "Boiler house".
QStringList Pages(const QString& text)
{
    QStringList pages = text.split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

bool HavePdfText()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}
} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitTestEnvironment();
    }
    void cleanup() { QSettings().clear(); }

    void pagesShowTheReportWithHeaderAndNumbers()
    {
        QTemporaryDir dir;
        ScriptedInteraction interaction;
        PdfPrinterSeam printers(dir.path());
        CQZMDoc doc;
        doc.OnNewDocument();
        doc.SetTitle(QStringLiteral("plant.qzm"));
        doc.SetDescription("Boiler house");
        doc.AddDefaultBlocks(1, 0);

        PrintReport(doc, ReportPrintJob::Direct, nullptr, {}, &printers.selector);
        QCOMPARE(printers.jobs.size(), 1);
        QCOMPARE(PdfPageCount(printers.jobs.at(0)), 1);
        if (HavePdfText()) {
            const QStringList pages = Pages(PdfText(printers.jobs.at(0)));
            QCOMPARE(pages.size(), 1);
            const QString page = pages.at(0);
            const QStringList lines = page.split(QLatin1Char('\n'));
            QVERIFY2(lines.at(0).contains("plant.qzm") && lines.at(0).contains("1/1"), qPrintable(lines.at(0)));
            for (const char* text : {"Zelvra", "QZM Application", "File: plant.txt",
                                     "Description of this QZM: Boiler house", "Protocol: Zelvra",
                                     "Baudrate: 19200 bps", "Timeout: 100 msec", "Read Block Memory 01",
                                     "Address in Network: 1", "Parameter: P0"})
                QVERIFY2(page.contains(QLatin1String(text)), text);
        }

        // A full document runs over several pages, each numbered "n/N";
        // nothing is lost, not even a line wider than the page.
        doc.DeleteAllBlocks();
        doc.AddDefaultBlocks(48, 48);
        doc.SetDescription(QByteArray(300, '#'));
        PrintReport(doc, ReportPrintJob::Direct, nullptr, {}, &printers.selector);
        QCOMPARE(printers.jobs.size(), 2);
        const int count = PdfPageCount(printers.jobs.at(1));
        QVERIFY2(count > 3, qPrintable(QString::number(count)));
        if (HavePdfText()) {
            const QStringList pages = Pages(PdfText(printers.jobs.at(1)));
            QCOMPARE(pages.size(), count);
            for (int i = 0; i < count; ++i)
                QVERIFY2(pages.at(i).trimmed().section('\n', 0, 0).contains(QStringLiteral("%1/%2").arg(i + 1).arg(count)),
                         qPrintable(pages.at(i).section('\n', 0, 0)));
            const QString all = pages.join(QString());
            QCOMPARE(all.count(QLatin1Char('#')), 300);
            QVERIFY(all.contains("Read Block Memory 48"));
            QVERIFY(all.contains("Write Block Memory 48"));
            QCOMPARE(all.count("Address in Network: 1"), 96);
        }
    }

    void pageRangeAndCopies()
    {
        QTemporaryDir dir;
        CQZMDoc doc;
        doc.OnNewDocument();
        doc.AddDefaultBlocks(48, 48);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("all.pdf"));
        const int all = PrintReportPages(printer, doc);
        QVERIFY(all > 3);
        QCOMPARE(PdfPageCount(dir.filePath("all.pdf")), all);

        QPrinter range(QPrinter::HighResolution);
        range.setOutputFormat(QPrinter::PdfFormat);
        range.setOutputFileName(dir.filePath("range.pdf"));
        range.setPrintRange(QPrinter::PageRange);
        range.setFromTo(2, 3);
        QCOMPARE(PrintReportPages(range, doc), 2);
        QCOMPARE(PdfPageCount(dir.filePath("range.pdf")), 2);
        if (HavePdfText()) {
            const QStringList pages = Pages(PdfText(dir.filePath("range.pdf")));
            QVERIFY(pages.at(0).section('\n', 0, 0).contains(QStringLiteral("2/%1").arg(all)));
            QVERIFY(pages.at(1).section('\n', 0, 0).contains(QStringLiteral("3/%1").arg(all)));
        }

        // A PDF cannot make copies itself: each is drawn.
        QPrinter copies(QPrinter::HighResolution);
        copies.setOutputFormat(QPrinter::PdfFormat);
        copies.setOutputFileName(dir.filePath("copies.pdf"));
        copies.setCopyCount(2);
        copies.setPrintRange(QPrinter::PageRange);
        copies.setFromTo(1, 1);
        QCOMPARE(PrintReportPages(copies, doc), copies.supportsMultipleCopies() ? 1 : 2);
    }

    void printCommandsOfTheWindow()
    {
        QTemporaryDir dir;
        ScriptedInteraction interaction;
        PdfPrinterSeam printers(dir.path());
        CQZMApp app(QStringList{});
        app.SetPrinterSelector(printers.selector);
        app.SetDesktopToolRunner([](const QString&, const QStringList&) {});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.GetMainFrame();

        // Print asks first; cancelling prints nothing.
        interaction.QueuePrint(false);
        QVERIFY(frame->SendCommand(ID_FILE_PRINT));
        QCOMPARE(interaction.printDialogs.size(), 1);
        QVERIFY(interaction.printDialogs.at(0).showDialog);
        QVERIFY(!QFileInfo::exists(printers.jobs.at(0)));
        interaction.QueuePrint(true);
        QVERIFY(frame->SendCommand(ID_FILE_PRINT));
        QCOMPARE(PdfPageCount(printers.jobs.at(1)), 1);

        // Direct print asks nothing of the user.
        QVERIFY(frame->SendCommand(ID_FILE_PRINT_DIRECT));
        QCOMPARE(interaction.printDialogs.size(), 3);
        QVERIFY(!interaction.printDialogs.at(2).showDialog);
        QCOMPARE(PdfPageCount(printers.jobs.at(2)), 1);

        // Preview shows Qt's preview of the same pages.
        int previewPages = -1;
        interaction.SetModalHandler([&previewPages](QWidget* dialog) {
            if (qobject_cast<QPrintPreviewDialog*>(dialog)) {
                auto* preview = dialog->findChild<QPrintPreviewWidget*>();
                preview->updatePreview();
                previewPages = preview->pageCount();
            }
            return 0;
        });
        app.GetQZMDoc()->AddDefaultBlocks(48, 48);
        QVERIFY(frame->SendCommand(ID_FILE_PRINT_PREVIEW));
        QVERIFY2(previewPages > 3, qPrintable(QString::number(previewPages)));
        QVERIFY(interaction.messages.isEmpty());
    }

    void unusablePrinterPrintsNothing()
    {
        ScriptedInteraction interaction;
        CQZMDoc doc;
        doc.OnNewDocument();
        {
            // Never another printer than the one asked for.
            const PrinterDetails missing{QStringLiteral("No Such Printer %1").arg(QCoreApplication::applicationPid()),
                                         QString(), QString()};
            QVERIFY(!PrintReport(doc, ReportPrintJob::Direct, nullptr, missing));
            QCOMPARE(interaction.MessageTexts(),
                     QStringList({QStringLiteral("Nothing was printed: the printer \"%1\" is not available.")
                                      .arg(missing.printerName)}));
        }
        QVERIFY(interaction.printDialogs.isEmpty());
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("this machine has printers: direct printing would use them");
        // The user hears that there is no printer, not only that it failed.
        interaction.messages.clear();
        QVERIFY(!PrintReport(doc, ReportPrintJob::Direct, nullptr));
        QCOMPARE(interaction.MessageTexts(), QStringList({"Nothing was printed: no printer is available.\n"
                                                          "Install or connect a printer, then print again."}));
    }

    void printSwitchesPrintHiddenAndEnd()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("plant.qzm"));
        WriteTestFile(file, SmallQzmFile());
        ScriptedInteraction interaction;
        PdfPrinterSeam printers(dir.path());

        {
            CQZMApp app(QStringList{"/p", file});
            app.SetPrinterSelector(printers.selector);
            app.SetDesktopToolRunner([](const QString&, const QStringList&) {});
            QCOMPARE(app.Run(), 1);
            QCOMPARE(printers.jobs.size(), 1);
            QCOMPARE(PdfPageCount(printers.jobs.at(0)), 1);
            QVERIFY(printers.details_.at(0).printerName.isEmpty());
            // The window was never shown.
            QVERIFY(!app.GetMainFrame()->testAttribute(Qt::WA_WState_ExplicitShowHide));
            QVERIFY(interaction.printDialogs.size() == 1 && !interaction.printDialogs.at(0).showDialog);
            if (HavePdfText())
                QVERIFY(PdfText(printers.jobs.at(0)).contains("Address in Network: 7"));
        }
        {
            CQZMApp app(QStringList{"-pt", file, "Laser", "drv", "LPT1", "extra"});
            app.SetPrinterSelector(printers.selector);
            app.SetDesktopToolRunner([](const QString&, const QStringList&) {});
            QCOMPARE(app.Run(), 1);
            QCOMPARE(printers.jobs.size(), 2);
            QCOMPARE(printers.details_.at(1).printerName, QString("Laser"));
            QCOMPARE(printers.details_.at(1).driverName, QString("drv"));
            QCOMPARE(printers.details_.at(1).portName, QString("LPT1"));
            QVERIFY(!app.GetMainFrame()->isVisible());
        }
        QVERIFY(interaction.messages.isEmpty());
        {
            // A file that cannot be opened: its message, no printing, the end.
            CQZMApp app(QStringList{"/p", dir.filePath("missing.qzm")});
            app.SetPrinterSelector(printers.selector);
            app.SetDesktopToolRunner([](const QString&, const QStringList&) {});
            QCOMPARE(app.Run(), 1);
            QCOMPARE(printers.jobs.size(), 2);
            QCOMPARE(interaction.messages.size(), 1);
        }
        {
            // Upper-case P is no print switch: the file opens in the window.
            CQZMApp app(QStringList{"/P", file});
            app.SetPrinterSelector(printers.selector);
            app.SetDesktopToolRunner([](const QString&, const QStringList&) {});
            QVERIFY(app.InitInstance());
            QVERIFY(app.GetMainFrame()->isVisible());
            QCOMPARE(app.GetQZMDoc()->GetPathName(), file);
            QCOMPARE(printers.jobs.size(), 2);
        }
        {
            // The desktop's print action without a file: nothing printed, and
            // the reason said.
            CQZMApp app(QStringList{"/p"});
            app.SetPrinterSelector(printers.selector);
            app.SetDesktopToolRunner([](const QString&, const QStringList&) {});
            QCOMPARE(app.Run(), 1);
            QCOMPARE(printers.jobs.size(), 2);
            QCOMPARE(interaction.messages.size(), 2);
            QVERIFY(interaction.messages.last().text.startsWith(QLatin1String("Nothing to print")));
        }
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
