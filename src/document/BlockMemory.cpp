#include "document/BlockMemory.h"

#include "framework/Archive.h"

void CBlockMemory::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteText(m_strDescription);
        ar.WriteInt(m_nAddress);
        ar.WriteInt(m_nNumber);
        ar.WriteInt(m_bParameter);
    } else {
        m_strDescription = ar.ReadText();
        m_nAddress = ar.ReadInt();
        m_nNumber = ar.ReadInt();
        m_bParameter = ar.ReadInt();
    }
}
