#include "document/QZMDoc.h"

#include "framework/Archive.h"
#include "framework/Interaction.h"
#include "resources/Resource.h"

namespace {
constexpr qint32 kFormatVersion = 3;
constexpr qint32 kLayoutMarker = 2;
} // namespace

void CQZMDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        StoreContents(ar);
    else
        LoadContents(ar);
}

// A version or layout this program does not know: say so and start afresh.
// The open still completes, under the file's name.
void CQZMDoc::RejectFile()
{
    AfxMessageBox(IDS_FAIL_READ_FILE);
    OnNewDocument();
}

void CQZMDoc::ReadContents(CArchive& ar)
{
    const qint32 version = ar.ReadInt();
    if (version > kFormatVersion) {
        RejectFile();
        return;
    }
    // Counts above the list limit are cut to it; the surplus records are not
    // skipped, they are read as whatever comes next.
    const qint32 nRead = qMin(ar.ReadInt(), qint32(QZMFields::kMaxBlocks));
    const qint32 nWrite = qMin(ar.ReadInt(), qint32(QZMFields::kMaxBlocks));
    if (version == kFormatVersion) {
        m_nProtocol = ar.ReadInt();
        m_nBaudRate = ar.ReadInt();
        m_nParity = ar.ReadInt();
        m_nTimeout = ar.ReadInt();
    } else {
        // Older files have no settings.
        SetNewDocumentSettings();
    }
    DeleteAllBlocks();
    AddDefaultBlocks(nRead, nWrite);
    if (ar.ReadInt() != kLayoutMarker) {
        RejectFile();
        return;
    }
    m_nSerialPort = ar.ReadInt();
    m_strDescription = ar.ReadText();
    for (CBlockMemory* block : std::as_const(m_arrRead))
        block->Serialize(ar);
    for (CBlockMemory* block : std::as_const(m_arrWrite))
        block->Serialize(ar);

    CBlockMemory defaultBlock;
    UpdateAllViews(nullptr, 0, m_arrRead.isEmpty() ? &defaultBlock : m_arrRead.first());
}

void CQZMDoc::StoreContents(CArchive& ar) const
{
    ar.WriteInt(kFormatVersion);
    ar.WriteInt(qint32(m_arrRead.size()));
    ar.WriteInt(qint32(m_arrWrite.size()));
    ar.WriteInt(m_nProtocol);
    ar.WriteInt(m_nBaudRate);
    ar.WriteInt(m_nParity);
    ar.WriteInt(m_nTimeout);
    ar.WriteInt(kLayoutMarker);
    ar.WriteInt(m_nSerialPort);
    ar.WriteText(m_strDescription);
    for (CBlockMemory* block : m_arrRead)
        block->Serialize(ar);
    for (CBlockMemory* block : m_arrWrite)
        block->Serialize(ar);
}

void CQZMDoc::LoadContents(CArchive& ar)
{
    // A file that breaks off is discarded as a whole and the document reset;
    // the reset keeps the port, so the port read from the broken file must
    // not outlive it.
    const qint32 portBefore = m_nSerialPort;
    try {
        ReadContents(ar);
    } catch (...) {
        m_nSerialPort = portBefore;
        throw;
    }
}
