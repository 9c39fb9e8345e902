#pragma once

#include "framework/Document.h"

#include "document/BlockMemory.h"
#include "document/QZMFields.h"

#include <QByteArray>
#include <QList>

#include <functional>

class CArchive;

// The configuration of one QZM: network settings, the PC serial port, a
// description and the Read and Write lists of Block Memories.
//
// The document keeps its own rules; change it only through these operations:
// - Setters store any value (a file may bring anything) and say whether the
//   value changed. The ranges a user may choose and the names of the settings
//   are in QZMFields: check a value there before storing a user's choice.
// - ChooseProtocol is the user's choice of protocol: it also applies the
//   settings the protocol forces (Zelvra) or starts from (MODBUS-RTU).
//   SetProtocol, like the other setters, stores just its value.
// - The editor marks the document modified for the user's changes (a setter
//   that returns true); InsertBlock, DeleteBlock and the serial-port commands
//   mark it themselves. Building a document (loading, importing) does not.
// - Each list holds at most QZMFields::kMaxBlocks entries. Its current index
//   is -1 exactly when the list is empty, else it names one of its entries.
// - Block Memory records are plain values: read them through Blocks(), give
//   one new values with SetBlock().
class CQZMDoc : public CDocument
{
    Q_OBJECT

public:
    enum class List { Read = 0, Write = 1 };

    CQZMDoc();
    ~CQZMDoc() override;

    bool OnNewDocument() override;
    void Serialize(CArchive& ar) override;

    // Settings.
    int Protocol() const { return m_nProtocol; }
    int BaudRate() const { return m_nBaudRate; }
    int Parity() const { return m_nParity; }
    int Timeout() const { return m_nTimeout; }
    int SerialPort() const { return m_nSerialPort; }
    const QByteArray& Description() const { return m_strDescription; }
    bool SetProtocol(int protocol);
    bool ChooseProtocol(int protocol);
    bool SetBaudRate(int baudRate);
    bool SetParity(int parity);
    bool SetTimeout(int timeout);
    bool SetSerialPort(int port);
    bool SetDescription(const QByteArray& description);
    // True when the protocol fixes baud rate, parity and time-out.
    bool ProtocolFixesSettings() const { return m_nProtocol == QZMFields::kProtocolZelvra; }
    // The protocol, baud-rate, parity and time-out values of a new document
    // (the port and the lists are left as they are).
    void SetNewDocumentSettings();

    // Lists.
    const QList<CBlockMemory*>& Blocks(List list) const { return list == List::Read ? m_arrRead : m_arrWrite; }
    const QList<CBlockMemory*>& ReadBlocks() const { return m_arrRead; }
    const QList<CBlockMemory*>& WriteBlocks() const { return m_arrWrite; }
    bool IsFull(List list) const { return Blocks(list).size() >= QZMFields::kMaxBlocks; }
    bool HasBlocks() const { return !m_arrRead.isEmpty() || !m_arrWrite.isEmpty(); }
    int CurrentIndex(List list) const { return list == List::Read ? m_nCurRead : m_nCurWrite; }
    // The Block Memory at the list's current index, or nullptr.
    CBlockMemory* CurrentBlock(List list) const;
    // Makes index current; false (nothing changes) when it names no entry.
    bool SetCurrentIndex(List list, int index);
    // Moves the current index by step; false when there is no entry there.
    bool MoveCurrent(List list, int step);
    // A default entry after the current one, which it becomes; false when
    // the list is full.
    bool InsertBlock(List list);
    // Removes the current entry; the next one (else the one before) becomes
    // current. False when the list is empty.
    bool DeleteBlock(List list);
    // A copy of block at the end of the list; false when the list is full.
    bool AppendBlock(List list, const CBlockMemory& block);
    // Gives the entry at index block's values; false when nothing changed or
    // index names no entry.
    bool SetBlock(List list, int index, const CBlockMemory& block);
    // Copies of block at position at and on, the last of them current;
    // false (nothing changes) when they would not fit or at is no position.
    bool InsertBlocks(List list, int at, const QList<CBlockMemory>& blocks);
    // Moves the entry at from to position to; it stays current if it was.
    // False when either names no entry.
    bool MoveBlock(List list, int from, int to);
    // Empties both lists (not an edit: the loader and New use it).
    void DeleteAllBlocks();
    // Adds default entries up to the list limit (not an edit).
    void AddDefaultBlocks(int nRead, int nWrite);

    // Everything a user can change, current entries included, as values:
    // what an undo goes back to.
    struct Contents
    {
        qint32 protocol = 0, timeout = 100, parity = 0, baudRate = 1, serialPort = 1;
        qint32 curRead = -1, curWrite = -1;
        QByteArray description;
        QList<CBlockMemory> read, write;
        bool operator==(const Contents& other) const;
        bool operator!=(const Contents& other) const { return !(*this == other); }
    };
    Contents GetContents() const;
    // Gives the document these contents; false when nothing changed or the
    // document is held. Marks nothing: the caller knows what it undid.
    bool RestoreContents(const Contents& contents);

    // Send All is carried out by the transfer, which the document's owner
    // installs; without a handler the command does nothing.
    using SendAllHandler = std::function<void(CQZMDoc&)>;
    void SetSendAllHandler(SendAllHandler handler) { m_sendAll = std::move(handler); }
    void OnSendAll();
    void OnUpdateSendAll(CCmdUI& ui) const;

    void OnSerialPort(int id);
    void OnUpdateSerialPort(CCmdUI& ui) const;
    void OnCreateTextFile();

private:
    // The .qzm file layout (QZMSerialize.cpp): version 3 written, older read.
    void StoreContents(CArchive& ar) const;
    void LoadContents(CArchive& ar);
    void ReadContents(CArchive& ar);
    void RejectFile();

    QList<CBlockMemory*>& BlocksRef(List list) { return list == List::Read ? m_arrRead : m_arrWrite; }
    int& CurrentRef(List list) { return list == List::Read ? m_nCurRead : m_nCurWrite; }
    void ApplyProtocolSettings();
    template <typename Value>
    static bool Store(Value& field, const Value& value);

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
    SendAllHandler m_sendAll;
};
