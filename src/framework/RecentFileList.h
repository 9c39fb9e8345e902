#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// The most-recently-used file list: a fixed number of full paths, the most
// recent first, kept in one settings section.
class CRecentFileList
{
public:
    CRecentFileList(int size, const QString& section, const QString& entryFormat, int maxDisplayLength);

    int GetSize() const { return m_arrNames.size(); }
    const QString& operator[](int index) const { return m_arrNames.at(index); }
    bool IsEmpty() const;

    void Add(const QString& path);
    void Remove(int index);

    // Menu text of entry index: "&1 " numbering, shortened name, "&" doubled.
    // Empty for an empty entry.
    QString GetMenuText(int index, const QString& currentDir) const;

    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

    // The name shown for a path: the file name alone in the current folder,
    // else the full path shortened to maxLength with root + "..." + tail.
    static QString DisplayName(const QString& path, const QString& currentDir, int maxLength,
                               QChar separator);
    // Paths name the same file: case is ignored where the file system does.
    static bool SamePath(const QString& a, const QString& b);

private:
    QStringList m_arrNames;
    QString m_strSectionName;
    QString m_strEntryFormat;
    int m_nMaxDisplayLength;
};
