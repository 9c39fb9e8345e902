#include "framework/RecentFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
Qt::CaseSensitivity FileNameCase()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

// The root of a path: a drive ("C:"), a server and share ("\\srv\share"),
// or nothing for a path that starts at the separator.
QString PathRoot(const QString& path, QChar sep)
{
    if (path.size() >= 2 && path.at(1) == QLatin1Char(':'))
        return path.left(2);
    const QString twoSeps = QString(sep) + sep;
    if (path.startsWith(twoSeps)) {
        const int serverEnd = path.indexOf(sep, 2);
        if (serverEnd < 0)
            return path;
        const int shareEnd = path.indexOf(sep, serverEnd + 1);
        return shareEnd < 0 ? path : path.left(shareEnd);
    }
    return QString();
}
} // namespace

CRecentFileList::CRecentFileList(int size, const QString& section, const QString& entryFormat,
                                 int maxDisplayLength)
    : m_strSectionName(section), m_strEntryFormat(entryFormat), m_nMaxDisplayLength(maxDisplayLength)
{
    for (int i = 0; i < size; ++i)
        m_arrNames.append(QString());
}

bool CRecentFileList::IsEmpty() const
{
    for (const QString& name : m_arrNames)
        if (!name.isEmpty())
            return false;
    return true;
}

bool CRecentFileList::SamePath(const QString& a, const QString& b)
{
    return QDir::cleanPath(a).compare(QDir::cleanPath(b), FileNameCase()) == 0;
}

void CRecentFileList::Add(const QString& path)
{
    if (m_arrNames.isEmpty() || path.isEmpty())
        return;
    const QString full = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    int found = m_arrNames.size() - 1;
    for (int i = 0; i < m_arrNames.size(); ++i)
        if (!m_arrNames[i].isEmpty() && SamePath(m_arrNames[i], full)) {
            found = i;
            break;
        }
    m_arrNames.removeAt(found);
    m_arrNames.prepend(full);
}

void CRecentFileList::Remove(int index)
{
    if (index < 0 || index >= m_arrNames.size())
        return;
    m_arrNames.removeAt(index);
    m_arrNames.append(QString());
}

QString CRecentFileList::DisplayName(const QString& path, const QString& currentDir, int maxLength,
                                     QChar sep)
{
    const int lastSep = path.lastIndexOf(sep);
    const QString fileName = lastSep < 0 ? path : path.mid(lastSep + 1);
    const QString folder = lastSep < 0 ? QString() : path.left(lastSep);

    if (!currentDir.isEmpty()) {
        QString cur = currentDir;
        while (cur.size() > 1 && cur.endsWith(sep))
            cur.chop(1);
        if (folder.compare(cur, FileNameCase()) == 0 || (folder.isEmpty() && cur == QString(sep)))
            return fileName;
    }
    if (path.size() <= maxLength)
        return path;

    // Keep the root and as many trailing parts as fit, "..." between them.
    const QString root = PathRoot(path, sep);
    const QStringList parts = path.mid(root.size()).split(sep, Qt::SkipEmptyParts);
    const QString head = root + sep + QStringLiteral("...");
    QString best;
    QString tail;
    for (int i = parts.size() - 1; i >= 0; --i) {
        tail = sep + parts.at(i) + tail;
        if (head.size() + tail.size() > maxLength)
            break;
        best = head + tail;
    }
    return best.isEmpty() ? fileName : best;
}

QString CRecentFileList::GetMenuText(int index, const QString& currentDir) const
{
    const QString& path = m_arrNames.at(index);
    if (path.isEmpty())
        return {};
    QString name = DisplayName(path, QDir::toNativeSeparators(currentDir), m_nMaxDisplayLength,
                               QDir::separator());
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

void CRecentFileList::ReadList(QSettings& settings)
{
    settings.beginGroup(m_strSectionName);
    for (int i = 0; i < m_arrNames.size(); ++i)
        m_arrNames[i] = settings.value(m_strEntryFormat.arg(i + 1)).toString();
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const
{
    settings.remove(m_strSectionName);
    settings.beginGroup(m_strSectionName);
    for (int i = 0; i < m_arrNames.size(); ++i)
        if (!m_arrNames[i].isEmpty())
            settings.setValue(m_strEntryFormat.arg(i + 1), m_arrNames[i]);
    settings.endGroup();
}
