#pragma once

#include "document/QZMDoc.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>

// Document helpers for the tests: loading from bytes, the file's
// fields, and entries to add.

// Loads bytes as Open would.
inline OpenResult LoadBytes(CQZMDoc& doc, const QByteArray& bytes, const QString& name = QStringLiteral("test.qzm"))
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return doc.LoadFromDevice(buffer, name);
}

inline QByteArray Int32(qint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((quint32(v) >> (8 * i)) & 0xFF);
    return b;
}

// A text field as the file stores it.
inline QByteArray TextField(const QByteArray& text)
{
    return Int32(qint32(text.size() + 1)) + text + QByteArray(1, '\0');
}

inline QByteArray Record(const QByteArray& text, qint32 address, qint32 number, qint32 parameter)
{
    return TextField(text) + Int32(address) + Int32(number) + Int32(parameter);
}

// A Block Memory as Insert makes it.
inline bool IsDefaultBlock(const CBlockMemory* b)
{
    return b && b->m_strDescription.isEmpty() && b->m_nAddress == 1 && b->m_nNumber == 0 && b->m_bParameter == 1;
}

inline CBlockMemory* AddBlock(CQZMDoc& doc, CQZMDoc::List list, const QByteArray& text, qint32 address,
                              qint32 number, qint32 parameter)
{
    CBlockMemory block;
    block.m_strDescription = text;
    block.m_nAddress = address;
    block.m_nNumber = number;
    block.m_bParameter = parameter;
    if (!doc.AppendBlock(list, block))
        return nullptr;
    doc.SetCurrentIndex(list, 0);
    return doc.Blocks(list).last();
}

// A document with every setting away from its default, a description of
// two lines, two Read entries and one Write entry.
inline void FillSampleDocument(CQZMDoc& doc, int parity, int serialPort)
{
    doc.SetProtocol(1);
    doc.SetBaudRate(0);
    doc.SetParity(parity);
    doc.SetTimeout(250);
    doc.SetSerialPort(serialPort);
    doc.SetDescription("Boiler house\r\nline two");
    AddBlock(doc, CQZMDoc::List::Read, "Flow", 3, 12, 0);
    AddBlock(doc, CQZMDoc::List::Read, "Level", 4, 13, 1);
    AddBlock(doc, CQZMDoc::List::Write, "Setpoint", 247, 9999, 1);
}
