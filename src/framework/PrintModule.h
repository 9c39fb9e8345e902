#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class CInteraction;
class QPrinter;
class QWidget;

// The printer that a print request names (the print-to switch or a shell
// request); all empty for the default printer.
struct PrinterDetails
{
    QString printerName;
    QString driverName;
    QString portName;
};

enum class PrinterMissing {
    No,            // there is one to print on
    NoneInstalled, // the system knows no printer at all
    NamedPrinter,  // the printer the details name is not there
};

// Tests point print jobs at PDF files through this. The selector gets the
// job's printer details.
using PrinterSelector = std::function<bool(QPrinter& printer, const PrinterDetails& details)>;

// One job of text lines printed in a fixed-pitch font, with the title and
// the page number in a header on every page.
struct TextPrintJob
{
    enum class Kind { Dialog, Direct, Preview };

    QStringList lines;
    QString title;
    Kind kind = Kind::Dialog;
    QWidget* parent = nullptr;
    PrinterDetails details;
    const PrinterSelector* selector = nullptr;   // when set and not empty
    CInteraction* interaction = nullptr;         // the print dialog and the preview go through it
};

// Everything that needs Qt Print Support lives in the "printing" module,
// which the program opens for its first print job or print dialog.
constexpr const char* kPrintingModule = "printing";

struct CPrintModuleApi
{
    const char* version;
    // Qt's print dialog for printer; true when the user accepts.
    bool (*printDialog)(QPrinter* printer, QWidget* parent);
    // The printer the details name, else the default; false when it cannot
    // be used (for a direct job: no printer at all).
    bool (*selectPrinter)(QPrinter& printer, const PrinterDetails& details, bool direct,
                          const PrinterSelector* selector);
    // Pages of the job's lines on printer; the number printed, -1 when the
    // printer cannot start.
    int (*printPages)(QPrinter& printer, const QStringList& lines, const QString& title);
    // The whole job; false when its printer could not be used (nothing was
    // printed). A job the user cancels is no failure.
    bool (*print)(const TextPrintJob& job);
    // Why no printer can take a job for these details, to tell the user.
    PrinterMissing (*missingPrinter)(const PrinterDetails& details);
};
