#include "document/QZMFields.h"

namespace QZMFields {

int Choices::IndexOf(QStringView name) const
{
    for (int i = 0; i < m_count; ++i)
        if (name == QLatin1String(m_names[i]))
            return i;
    return -1;
}

QStringList Choices::Names() const
{
    QStringList names;
    for (int i = 0; i < m_count; ++i)
        names << QString::fromLatin1(m_names[i]);
    return names;
}

} // namespace QZMFields
