#pragma once

#include "framework/Document.h"

#include "document/BlockMemory.h"

#include <QByteArray>
#include <QList>

#include <functional>

// The configuration of one QZM: network settings, the PC serial port, a
// description and the Read and Write lists of Block Memories.
class CQZMDoc : public CDocument
{
    Q_OBJECT

public:
    enum class List { Read = 0, Write = 1 };
    static constexpr int kMaxBlocks = 48;

    CQZMDoc();
    ~CQZMDoc() override;

    bool OnNewDocument() override;
    void Serialize(CArchive& ar) override;

    void DeleteAllBlocks();
    void AddDefaultBlocks(int nRead, int nWrite);
    void InsertBlock(List list);
    void DeleteBlock(List list);

    QList<CBlockMemory*>& Blocks(List list) { return list == List::Read ? m_arrRead : m_arrWrite; }
    const QList<CBlockMemory*>& Blocks(List list) const { return list == List::Read ? m_arrRead : m_arrWrite; }
    int& CurrentIndex(List list) { return list == List::Read ? m_nCurRead : m_nCurWrite; }
    int CurrentIndex(List list) const { return list == List::Read ? m_nCurRead : m_nCurWrite; }
    // The Block Memory at the list's current index, or nullptr.
    CBlockMemory* CurrentBlock(List list) const;

    // Send All is carried out by the transfer layer, which installs itself.
    using SendAllHandler = std::function<void(CQZMDoc&)>;
    static void SetSendAllHandler(SendAllHandler handler);
    void OnSendAll();
    void OnUpdateSendAll(CCmdUI& ui) const;

    void OnSerialPort(int id);
    void OnUpdateSerialPort(CCmdUI& ui) const;
    void OnCreateTextFile();

    // The protocol, baud-rate, parity and time-out values of a new document.
    void SetNewDocumentSettings();

    qint32 m_nProtocol = 0;
    qint32 m_nTimeout = 100;
    qint32 m_nParity = 0;
    qint32 m_nBaudRate = 1;
    qint32 m_nCurWrite = -1;
    qint32 m_nCurRead = -1;
    QList<CBlockMemory*> m_arrRead;
    QList<CBlockMemory*> m_arrWrite;
    QByteArray m_strDescription;
    qint32 m_nSerialPort = 1;
};
