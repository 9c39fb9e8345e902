#pragma once

#include "document/QZMDoc.h"
#include "framework/Archive.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>

// The bytes Save writes for a document.
inline QByteArray StoreBytes(CQZMDoc& doc)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, CArchive::store);
    doc.Serialize(ar);
    return bytes;
}

// Loads bytes as Open would; false when the load failed.
inline bool LoadBytes(CQZMDoc& doc, const QByteArray& bytes, const QString& name = QStringLiteral("test.qzm"))
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
