#pragma once

#include "framework/Object.h"

#include <QByteArray>
#include <QString>

// One Block Memory: a parameter or basic variable of a device on the
// field network. Texts are 8-bit bytes as the file and report keep them.
class CBlockMemory : public CObject
{
public:
    CBlockMemory() = default;

    void Serialize(CArchive& ar) override;

    QByteArray GetDescription() const { return m_strDescription; }
    QString GetAddressText() const { return QString::number(m_nAddress); }
    QString GetNumberText() const { return QString::number(m_nNumber); }
    // "P" for a parameter (any non-zero flag), "VB" for a basic variable.
    static QString KindName(bool parameter) { return parameter ? QStringLiteral("P") : QStringLiteral("VB"); }
    QString KindName() const { return KindName(m_bParameter != 0); }
    // "P12" or "VB12": the item as the report, the JSON form and the diff name it.
    QString ItemName() const { return KindName() + QString::number(m_nNumber); }

    bool operator==(const CBlockMemory& other) const
    {
        return m_strDescription == other.m_strDescription && m_nAddress == other.m_nAddress
            && m_nNumber == other.m_nNumber && m_bParameter == other.m_bParameter;
    }
    bool operator!=(const CBlockMemory& other) const { return !(*this == other); }

    QByteArray m_strDescription;
    qint32 m_nAddress = 1;
    qint32 m_nNumber = 0;
    qint32 m_bParameter = 1;
};
