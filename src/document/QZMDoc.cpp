#include "document/QZMDoc.h"

#include "document/QZMSerialize.h"
#include "framework/Archive.h"
#include "resources/Resource.h"

namespace {
CQZMDoc::SendAllHandler& sendAllHandler()
{
    static CQZMDoc::SendAllHandler handler;
    return handler;
}
} // namespace

void CQZMDoc::SetSendAllHandler(SendAllHandler handler)
{
    sendAllHandler() = std::move(handler);
}

void CQZMDoc::OnSendAll()
{
    if (sendAllHandler())
        sendAllHandler()(*this);
}

void CQZMDoc::OnUpdateSendAll(CCmdUI& ui) const
{
    ui.Enable(!m_arrRead.isEmpty() || !m_arrWrite.isEmpty());
}

CQZMDoc::CQZMDoc()
{
    OnCommand(ID_SEND_ALL, [this] { OnSendAll(); });
    OnUpdateCommand(ID_SEND_ALL, [this](CCmdUI& ui) { OnUpdateSendAll(ui); });
    OnCommandRange(ID_SERIAL_COM1, ID_SERIAL_COM4, [this](int id) { OnSerialPort(id); });
    OnUpdateCommandRange(ID_SERIAL_COM1, ID_SERIAL_COM4, [this](CCmdUI& ui) { OnUpdateSerialPort(ui); });
    OnCommand(ID_CREATE_TEXT_FILE, [this] { OnCreateTextFile(); });
}

CQZMDoc::~CQZMDoc()
{
    DeleteAllBlocks();
}

void CQZMDoc::SetNewDocumentSettings()
{
    m_nProtocol = 0;
    m_nBaudRate = 1;
    m_nParity = 0;
    m_nTimeout = 100;
}

bool CQZMDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument())
        return false;
    DeleteAllBlocks();
    m_nCurRead = -1;
    m_nCurWrite = -1;
    m_strDescription.clear();
    SetNewDocumentSettings();
    UpdateAllViews(nullptr, 0, nullptr);
    return true;
}

void CQZMDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        StoreQZMDocument(*this, ar);
    else
        LoadQZMDocument(*this, ar);
}

void CQZMDoc::DeleteAllBlocks()
{
    for (QList<CBlockMemory*>* list : {&m_arrRead, &m_arrWrite}) {
        for (int i = int(list->size()) - 1; i >= 0; --i)
            delete list->at(i);
        list->clear();
        list->squeeze();
    }
}

void CQZMDoc::AddDefaultBlocks(int nRead, int nWrite)
{
    for (int i = 0; i < nRead; ++i)
        m_arrRead.append(new CBlockMemory);
    for (int i = 0; i < nWrite; ++i)
        m_arrWrite.append(new CBlockMemory);
}

void CQZMDoc::InsertBlock(List list)
{
    SetModifiedFlag(true);
    int& current = CurrentIndex(list);
    const int at = current + 1;
    Blocks(list).insert(at, new CBlockMemory);
    current = at;
}

void CQZMDoc::DeleteBlock(List list)
{
    int& current = CurrentIndex(list);
    QList<CBlockMemory*>& blocks = Blocks(list);
    if (current < 0 || current >= blocks.size())
        return;
    SetModifiedFlag(true);
    delete blocks.takeAt(current);
    if (current > int(blocks.size()) - 1)
        current = current - 1;
}

CBlockMemory* CQZMDoc::CurrentBlock(List list) const
{
    const int current = CurrentIndex(list);
    const QList<CBlockMemory*>& blocks = Blocks(list);
    return current >= 0 && current < blocks.size() ? blocks.at(current) : nullptr;
}

void CQZMDoc::OnSerialPort(int id)
{
    const int port = id - ID_SEND_ALL;
    if (port == m_nSerialPort)
        return;
    m_nSerialPort = port;
    SetModifiedFlag(true);
}

void CQZMDoc::OnUpdateSerialPort(CCmdUI& ui) const
{
    ui.Enable(true);
    ui.SetRadio(ui.m_nID == m_nSerialPort + ID_SEND_ALL);
}
