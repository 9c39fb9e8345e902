#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The document type's description: the template string's seven fields
// (window title, document name, new-file name, filter name, extension,
// file-type id, file-type name) and where opened paths are remembered.
class CDocTemplate
{
public:
    enum DocStringIndex {
        windowTitle = 0, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName
    };

    explicit CDocTemplate(const QString& templateString);
    virtual ~CDocTemplate() = default;

    QString GetDocString(DocStringIndex index) const;

    // "QZM Files (*.qzm)" followed by "All Files (*.*)".
    QStringList FileFilters() const;
    // The extension without its dot ("qzm").
    QString DefaultSuffix() const;

    void SetRecentFileSink(std::function<void(const QString&)> sink) { m_recentSink = std::move(sink); }
    void AddToRecentFileList(const QString& path) const
    {
        if (m_recentSink)
            m_recentSink(path);
    }

private:
    QStringList m_fields;
    std::function<void(const QString&)> m_recentSink;
};
