#include "document/QZMDoc.h"

#include "resources/Resource.h"

using namespace QZMFields;

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

template <typename Value>
bool CQZMDoc::Store(Value& field, const Value& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

// The settings of a new document, and next to them those each protocol
// brings when the user chooses it. A new document is Zelvra at 19200 baud:
// the protocol's fixed settings apply only once it is chosen.
void CQZMDoc::SetNewDocumentSettings()
{
    m_nProtocol = kProtocolZelvra;
    m_nBaudRate = kBaud19200;
    m_nParity = kParityEven;
    m_nTimeout = 100;
}

void CQZMDoc::ApplyProtocolSettings()
{
    if (ProtocolFixesSettings()) {
        m_nBaudRate = kBaud9600;
        m_nParity = kParityEven;
        m_nTimeout = kZelvraTimeout;
    } else {
        // MODBUS-RTU starts from these; the parity stays as it was.
        m_nBaudRate = kBaud19200;
        m_nTimeout = 50;
    }
}

bool CQZMDoc::SetProtocol(int protocol)
{
    return Store(m_nProtocol, qint32(protocol));
}

bool CQZMDoc::ChooseProtocol(int protocol)
{
    if (!SetProtocol(protocol))
        return false;
    ApplyProtocolSettings();
    return true;
}

bool CQZMDoc::SetBaudRate(int baudRate)
{
    return Store(m_nBaudRate, qint32(baudRate));
}

bool CQZMDoc::SetParity(int parity)
{
    return Store(m_nParity, qint32(parity));
}

bool CQZMDoc::SetTimeout(int timeout)
{
    return Store(m_nTimeout, qint32(timeout));
}

bool CQZMDoc::SetSerialPort(int port)
{
    return Store(m_nSerialPort, qint32(port));
}

bool CQZMDoc::SetDescription(const QByteArray& description)
{
    return Store(m_strDescription, description);
}

bool CQZMDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument())
        return false;
    DeleteAllBlocks();
    m_strDescription.clear();
    SetNewDocumentSettings();
    UpdateAllViews(nullptr, 0, nullptr);
    return true;
}

void CQZMDoc::DeleteAllBlocks()
{
    for (QList<CBlockMemory*>* list : {&m_arrRead, &m_arrWrite}) {
        for (int i = int(list->size()) - 1; i >= 0; --i)
            delete list->at(i);
        list->clear();
        list->squeeze();
    }
    m_nCurRead = -1;
    m_nCurWrite = -1;
}

void CQZMDoc::AddDefaultBlocks(int nRead, int nWrite)
{
    for (const List list : {List::Read, List::Write}) {
        QList<CBlockMemory*>& blocks = BlocksRef(list);
        for (int i = list == List::Read ? nRead : nWrite; i > 0 && blocks.size() < kMaxBlocks; --i)
            blocks.append(new CBlockMemory);
        if (CurrentRef(list) < 0 && !blocks.isEmpty())
            CurrentRef(list) = 0;
    }
}

bool CQZMDoc::AppendBlock(List list, const CBlockMemory& block)
{
    if (IsFull(list))
        return false;
    BlocksRef(list).append(new CBlockMemory(block));
    if (CurrentRef(list) < 0)
        CurrentRef(list) = 0;
    return true;
}

bool CQZMDoc::SetBlock(List list, int index, const CBlockMemory& block)
{
    const QList<CBlockMemory*>& blocks = Blocks(list);
    if (IsHeld() || index < 0 || index >= blocks.size() || *blocks.at(index) == block)
        return false;
    *blocks.at(index) = block;
    return true;
}

bool CQZMDoc::InsertBlock(List list)
{
    if (IsFull(list) || IsHeld())
        return false;
    SetModifiedFlag(true);
    int& current = CurrentRef(list);
    const int at = current + 1;
    BlocksRef(list).insert(at, new CBlockMemory);
    current = at;
    return true;
}

bool CQZMDoc::DeleteBlock(List list)
{
    int& current = CurrentRef(list);
    QList<CBlockMemory*>& blocks = BlocksRef(list);
    if (IsHeld() || current < 0 || current >= blocks.size())
        return false;
    SetModifiedFlag(true);
    delete blocks.takeAt(current);
    if (current > int(blocks.size()) - 1)
        current = current - 1;
    return true;
}

bool CQZMDoc::InsertBlocks(List list, int at, const QList<CBlockMemory>& blocks)
{
    QList<CBlockMemory*>& target = BlocksRef(list);
    if (IsHeld() || blocks.isEmpty() || at < 0 || at > target.size()
        || target.size() + blocks.size() > kMaxBlocks)
        return false;
    SetModifiedFlag(true);
    for (int i = 0; i < blocks.size(); ++i)
        target.insert(at + i, new CBlockMemory(blocks.at(i)));
    CurrentRef(list) = at + int(blocks.size()) - 1;
    return true;
}

bool CQZMDoc::MoveBlock(List list, int from, int to)
{
    QList<CBlockMemory*>& blocks = BlocksRef(list);
    if (IsHeld() || from < 0 || to < 0 || from >= blocks.size() || to >= blocks.size() || from == to)
        return false;
    SetModifiedFlag(true);
    blocks.move(from, to);
    int& current = CurrentRef(list);
    if (current == from)
        current = to;
    else if (from < current && current <= to)
        --current;
    else if (to <= current && current < from)
        ++current;
    return true;
}

bool CQZMDoc::Contents::operator==(const Contents& o) const
{
    return protocol == o.protocol && timeout == o.timeout && parity == o.parity && baudRate == o.baudRate
        && serialPort == o.serialPort && curRead == o.curRead && curWrite == o.curWrite
        && description == o.description && read == o.read && write == o.write;
}

CQZMDoc::Contents CQZMDoc::GetContents() const
{
    Contents c;
    c.protocol = m_nProtocol;
    c.timeout = m_nTimeout;
    c.parity = m_nParity;
    c.baudRate = m_nBaudRate;
    c.serialPort = m_nSerialPort;
    c.curRead = m_nCurRead;
    c.curWrite = m_nCurWrite;
    c.description = m_strDescription;
    for (const CBlockMemory* block : m_arrRead)
        c.read.append(*block);
    for (const CBlockMemory* block : m_arrWrite)
        c.write.append(*block);
    return c;
}

bool CQZMDoc::RestoreContents(const Contents& c)
{
    if (IsHeld() || GetContents() == c)
        return false;
    m_nProtocol = c.protocol;
    m_nTimeout = c.timeout;
    m_nParity = c.parity;
    m_nBaudRate = c.baudRate;
    m_nSerialPort = c.serialPort;
    m_strDescription = c.description;
    DeleteAllBlocks();
    for (const CBlockMemory& block : c.read)
        m_arrRead.append(new CBlockMemory(block));
    for (const CBlockMemory& block : c.write)
        m_arrWrite.append(new CBlockMemory(block));
    m_nCurRead = c.curRead;
    m_nCurWrite = c.curWrite;
    return true;
}

bool CQZMDoc::SetCurrentIndex(List list, int index)
{
    if (index < 0 || index >= Blocks(list).size())
        return false;
    CurrentRef(list) = index;
    return true;
}

bool CQZMDoc::MoveCurrent(List list, int step)
{
    const int current = CurrentIndex(list);
    return current >= 0 && SetCurrentIndex(list, current + step);
}

CBlockMemory* CQZMDoc::CurrentBlock(List list) const
{
    const int current = CurrentIndex(list);
    const QList<CBlockMemory*>& blocks = Blocks(list);
    return current >= 0 && current < blocks.size() ? blocks.at(current) : nullptr;
}

void CQZMDoc::OnSendAll()
{
    if (m_sendAll)
        m_sendAll(*this);
}

void CQZMDoc::OnUpdateSendAll(CCmdUI& ui) const
{
    ui.Enable(HasBlocks());
}

void CQZMDoc::OnSerialPort(int id)
{
    if (SetSerialPort(id - ID_SEND_ALL))
        SetModifiedFlag(true);
}

void CQZMDoc::OnUpdateSerialPort(CCmdUI& ui) const
{
    ui.Enable(true);
    ui.SetRadio(ui.m_nID == m_nSerialPort + ID_SEND_ALL);
}
