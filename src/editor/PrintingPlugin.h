#pragma once

#include "framework/PrintingInterface.h"

#include <QObject>

// Printing on Qt Print Support: the "printing" plugin.
class CPrintingPlugin : public QObject, public CPrintingInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QZM_PRINTING_IID)
    Q_INTERFACES(CPrintingInterface)

public:
    bool PrintDialog(QPrinter* printer, QWidget* parent) override;
    int PrintPages(QPrinter& printer, const QStringList& lines, const QString& title) override;
    bool Print(const TextPrintJob& job) override;
    PrinterMissing MissingPrinter(const PrinterDetails& details) override;
};
