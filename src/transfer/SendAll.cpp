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

void SendAllFromWindowObserved(CQZMDoc& doc, CTransferObserver& observer)
{
    SendAllFromWindowOverLink(doc, nullptr, &observer);
}

void SendAllFromWindowOverLink(CQZMDoc& doc, std::unique_ptr<CSerialLink> link, CTransferObserver* observer)
{
    CWaitCursor wait;
    CSendDlg dlgSend;
    CConfigTransfer transfer(&doc, dlgSend, std::move(link));
    transfer.SetObserver(observer);
    RunConfigTransfer(transfer);
}
