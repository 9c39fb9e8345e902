#include "document/QZMSerialize.h"

#include "document/QZMDoc.h"
#include "framework/Archive.h"
#include "framework/Interaction.h"
#include "resources/Resource.h"

namespace {
constexpr qint32 kFormatVersion = 3;
constexpr qint32 kLayoutMarker = 2;

// A version or layout this program does not know: say so and start afresh.
// The open still completes, under the file's name.
void rejectFile(CQZMDoc& doc)
{
    AfxMessageBox(IDS_FAIL_READ_FILE);
    doc.OnNewDocument();
}

void loadContents(CQZMDoc& doc, CArchive& ar)
{
    const qint32 version = ar.ReadInt();
    if (version > kFormatVersion) {
        rejectFile(doc);
        return;
    }
    // Counts above the list limit are cut to it; the surplus records are not
    // skipped, they are read as whatever comes next.
    const qint32 nRead = qMin(ar.ReadInt(), qint32(CQZMDoc::kMaxBlocks));
    const qint32 nWrite = qMin(ar.ReadInt(), qint32(CQZMDoc::kMaxBlocks));
    if (version == kFormatVersion) {
        doc.m_nProtocol = ar.ReadInt();
        doc.m_nBaudRate = ar.ReadInt();
        doc.m_nParity = ar.ReadInt();
        doc.m_nTimeout = ar.ReadInt();
    } else {
        // Older files have no settings.
        doc.SetNewDocumentSettings();
    }
    doc.DeleteAllBlocks();
    doc.AddDefaultBlocks(nRead, nWrite);
    if (ar.ReadInt() != kLayoutMarker) {
        rejectFile(doc);
        return;
    }
    doc.m_nSerialPort = ar.ReadInt();
    doc.m_strDescription = ar.ReadText();
    doc.m_nCurRead = nRead > 0 ? 0 : -1;
    doc.m_nCurWrite = nWrite > 0 ? 0 : -1;
    for (CBlockMemory* block : std::as_const(doc.m_arrRead))
        block->Serialize(ar);
    for (CBlockMemory* block : std::as_const(doc.m_arrWrite))
        block->Serialize(ar);

    CBlockMemory defaultBlock;
    doc.UpdateAllViews(nullptr, 0, doc.m_arrRead.isEmpty() ? &defaultBlock : doc.m_arrRead.first());
}
} // namespace

void StoreQZMDocument(CQZMDoc& doc, CArchive& ar)
{
    ar.WriteInt(kFormatVersion);
    ar.WriteInt(qint32(doc.m_arrRead.size()));
    ar.WriteInt(qint32(doc.m_arrWrite.size()));
    ar.WriteInt(doc.m_nProtocol);
    ar.WriteInt(doc.m_nBaudRate);
    ar.WriteInt(doc.m_nParity);
    ar.WriteInt(doc.m_nTimeout);
    ar.WriteInt(kLayoutMarker);
    ar.WriteInt(doc.m_nSerialPort);
    ar.WriteText(doc.m_strDescription);
    for (CBlockMemory* block : std::as_const(doc.m_arrRead))
        block->Serialize(ar);
    for (CBlockMemory* block : std::as_const(doc.m_arrWrite))
        block->Serialize(ar);
}

void LoadQZMDocument(CQZMDoc& doc, CArchive& ar)
{
    // A file that breaks off is discarded as a whole and the document reset;
    // the reset keeps the port, so the port read from the broken file must
    // not outlive it.
    const qint32 portBefore = doc.m_nSerialPort;
    try {
        loadContents(doc, ar);
    } catch (...) {
        doc.m_nSerialPort = portBefore;
        throw;
    }
}
