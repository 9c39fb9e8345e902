#include "framework/DocTemplate.h"

#include "framework/StandardIds.h"
#include "framework/StringTable.h"

CDocTemplate::CDocTemplate(const QString& templateString)
    : m_fields(templateString.split(QLatin1Char('\n')))
{
}

QString CDocTemplate::GetDocString(DocStringIndex index) const
{
    return index < m_fields.size() ? m_fields.at(index) : QString();
}

QStringList CDocTemplate::FileFilters() const
{
    QStringList filters;
    const QString name = GetDocString(filterName);
    if (!name.isEmpty())
        filters << name;
    filters << CStringTable::Load(AFX_IDS_ALLFILTER);
    return filters;
}

QString CDocTemplate::DefaultSuffix() const
{
    QString ext = GetDocString(filterExt);
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    return ext;
}
