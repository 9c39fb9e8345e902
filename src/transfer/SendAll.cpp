#include "transfer/SendAll.h"

#include "document/QZMDoc.h"
#include "transfer/ConfigTransfer.h"
#include "transfer/SendDlg.h"

#include <QGuiApplication>

namespace {
class CWaitCursor
{
public:
    CWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
} // namespace

void SendAllFromWindow(CQZMDoc& doc)
{
    SendAllFromWindowOverLink(doc, nullptr);
}

void SendAllFromWindowOverLink(CQZMDoc& doc, std::unique_ptr<CSerialLink> link)
{
    CWaitCursor wait;
    CSendDlg dlgSend;
    CConfigTransfer transfer(&doc, dlgSend, std::move(link));
    RunConfigTransfer(transfer);
}
