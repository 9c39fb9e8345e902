#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// The document type as the desktop knows it, taken from the template string.
struct DocTypeInfo
{
    QString typeId;      // "QZM.Document"
    QString typeName;    // "QZM Document"
    QString extension;   // ".qzm"

    static DocTypeInfo FromTemplateString(const QString& templateString);
    // "application/x-qzm"
    QString MimeType() const;
};

// Registers the document type with the desktop shell at every start and
// removes the registration on Unregister. Failures are silent: the program
// starts either way.
//
// On Windows: the type's keys under HKEY_CURRENT_USER\Software\Classes.
// Elsewhere: a shared-mime-info package, a desktop entry and the icons in
// the user's data folder ($XDG_DATA_HOME, else ~/.local/share).
class CShellRegistration
{
public:
    CShellRegistration(DocTypeInfo type, QString programPath);

    // Writes what differs from what is there; true when all of it is in place.
    // A program installed with the system's own registration writes nothing
    // and takes away a per-user copy that would only shadow it.
    bool Register();
    // Removes what Register writes; the extension only while it is ours.
    void Unregister();

    // Runs a tool that refreshes a desktop cache, without waiting for it.
    // Tests give their own; an empty one runs the tool detached.
    using ToolRunner = std::function<void(const QString& tool, const QStringList& arguments)>;
    void SetToolRunner(ToolRunner runner) { m_toolRunner = std::move(runner); }

#ifndef Q_OS_WIN
    static QString DataHome();
    static QStringList DataDirs();
    QString DesktopEntryPath() const;
    QString MimePackagePath() const;
    // Every icon file Register writes, as (path, resource) pairs.
    QList<QPair<QString, QString>> IconFiles() const;

    QByteArray DesktopEntry() const;
    QByteArray MimePackage(bool withGlob) const;
    // True when a type other than ours claims "*<extension>" in the MIME
    // database or in a package not yet compiled into it.
    bool ExtensionOwnedByOther() const;

    // The system data folder (of XDG_DATA_DIRS) that holds this program's
    // desktop entry and MIME type because the program is installed under its
    // prefix (<prefix>/bin/qzm and <prefix>/share); empty when there is none.
    QString SystemDataDir() const;
    // The program a desktop entry starts (its TryExec), or empty.
    static QString EntryProgram(const QByteArray& entry);

    // One argument of a desktop entry's Exec key, quoted and escaped.
    static QString QuoteExecArgument(const QString& argument);
    // A value escaped as a desktop entry string.
    static QString EscapeEntryString(const QString& value);
#endif

private:
    void RunTool(const QString& tool, const QStringList& arguments) const;

    ToolRunner m_toolRunner;
    DocTypeInfo m_type;
    QString m_program;
};

// The names under which the program appears on the desktop: "zelvra-qzm".
QString DesktopBaseName();

// Removes the settings (the key Software\Zelvra\QZM, or the settings file)
// and the maker's key or folder when nothing else is left in it.
void RemoveApplicationSettings();
