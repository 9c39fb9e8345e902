#pragma once

#include "framework/PluginLoader.h"

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

// Everything that needs Qt Print Support lives in the "printing" plugin,
// which the program opens for its first print job or print dialog.
constexpr const char* kPrintingPlugin = "printing";

class CPrintingInterface
{
public:
    virtual ~CPrintingInterface() = default;
    // Qt's print dialog for printer; true when the user accepts.
    virtual bool PrintDialog(QPrinter* printer, QWidget* parent) = 0;
    // Pages of the lines on printer; the number printed, -1 when the
    // printer cannot start.
    virtual int PrintPages(QPrinter& printer, const QStringList& lines, const QString& title) = 0;
    // The whole job; false when its printer could not be used (nothing was
    // printed). A job the user cancels is no failure.
    virtual bool Print(const TextPrintJob& job) = 0;
    // Why no printer can take a job for these details, to tell the user.
    virtual PrinterMissing MissingPrinter(const PrinterDetails& details) = 0;
};

#define QZM_PRINTING_IID QZM_PLUGIN_IID("Printing")
Q_DECLARE_INTERFACE(CPrintingInterface, QZM_PRINTING_IID)
