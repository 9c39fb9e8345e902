// Registration with freedesktop desktops: shared-mime-info, desktop entries
// and the hicolor icon theme, all in the user's own data folder.
#include "app/ShellRegistration.h"

#include "app/AppIcons.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QXmlStreamReader>

#include <cstdio>


namespace {
const int kIconSizes[] = {16, 32, 48, 64, 128, 256};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes only when the content differs, so a start with everything in place
// touches nothing. A new file goes in by rename, never half written, but
// without a sync: these files are rebuilt at the next start should a crash
// lose them, and a sync per file is what made a first start slow.
// Returns false on failure; *changed tells whether it wrote.
bool WriteIfChanged(const QString& path, const QByteArray& bytes, bool* changed)
{
    if (QFileInfo::exists(path) && ReadAll(path) == bytes)
        return true;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    if (::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return false;
    file.setAutoRemove(false);
    *changed = true;
    return true;
}

QString UnescapeEntryString(const QString& raw)
{
    QString out;
    for (int i = 0; i < raw.size(); ++i) {
        if (raw.at(i) != QLatin1Char('\\') || i + 1 == raw.size()) {
            out += raw.at(i);
            continue;
        }
        switch (raw.at(++i).unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        default: out += raw.at(i);
        }
    }
    return out;
}

QString XmlEscaped(const QString& text)
{
    return text.toHtmlEscaped();
}

bool SameGlob(const QString& pattern, const QString& extension)
{
    return pattern.compare(QLatin1Char('*') + extension, Qt::CaseInsensitive) == 0;
}

// Compiled database: "weight:type:glob[:flags]" (globs2) or "type:glob" (globs).
bool GlobFileNamesOther(const QString& path, bool weighted, const QString& extension, const QString& ours)
{
    const QByteArray bytes = ReadAll(path);
    // Most databases never mention the extension: skip the parsing.
    if (!bytes.toLower().contains(QByteArray("*") + extension.toLower().toUtf8()))
        return false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList parts = line.split(QLatin1Char(':'));
        const int typeAt = weighted ? 1 : 0;
        if (parts.size() < typeAt + 2)
            continue;
        if (SameGlob(parts.at(typeAt + 1), extension) && parts.at(typeAt) != ours)
            return true;
    }
    return false;
}

// Source packages, which a missing update-mime-database may not have compiled.
bool PackageNamesOther(const QString& path, const QString& extension, const QString& ours)
{
    const QByteArray bytes = ReadAll(path);
    if (!bytes.contains(extension.toUtf8()) && !bytes.toLower().contains(extension.toLower().toUtf8()))
        return false;
    QXmlStreamReader xml(bytes);
    QString type;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("mime-type"))
            type = xml.attributes().value(QLatin1String("type")).toString();
        else if (xml.name() == QLatin1String("glob") && !type.isEmpty() && type != ours
                 && SameGlob(xml.attributes().value(QLatin1String("pattern")).toString(), extension))
            return true;
    }
    return false;
}
} // namespace

QString CShellRegistration::DataHome()
{
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative value is invalid and must be ignored.
    if (!home.isEmpty() && QDir::isAbsolutePath(home))
        return QDir::cleanPath(home);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QStringList CShellRegistration::DataDirs()
{
    QStringList dirs;
    const QString value = qEnvironmentVariable("XDG_DATA_DIRS");
    for (const QString& dir : (value.isEmpty() ? QStringLiteral("/usr/local/share:/usr/share") : value)
                                  .split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            dirs << QDir::cleanPath(dir);
    return dirs;
}

QString CShellRegistration::DesktopEntryPath() const
{
    return DataHome() + QStringLiteral("/applications/") + DesktopBaseName() + QStringLiteral(".desktop");
}

QString CShellRegistration::MimePackagePath() const
{
    return DataHome() + QStringLiteral("/mime/packages/") + DesktopBaseName() + QStringLiteral(".xml");
}

QList<QPair<QString, QString>> CShellRegistration::IconFiles() const
{
    const QString theme = DataHome() + QStringLiteral("/icons/hicolor/");
    const QString appIcon = DesktopBaseName();
    const QString docIcon = m_type.MimeType().replace(QLatin1Char('/'), QLatin1Char('-'));
    QList<QPair<QString, QString>> files;
    for (int size : kIconSizes) {
        const QString dir = theme + QStringLiteral("%1x%1/").arg(size);
        files.append({dir + QStringLiteral("apps/") + appIcon + QStringLiteral(".png"),
                      QStringLiteral(":/icons/%1/qzm.png").arg(size)});
        files.append({dir + QStringLiteral("mimetypes/") + docIcon + QStringLiteral(".png"),
                      QStringLiteral(":/icons/%1/qzm-document.png").arg(size)});
    }
    files.append({theme + QStringLiteral("scalable/apps/") + appIcon + QStringLiteral(".svg"),
                  QStringLiteral(":/icons/qzm.svg")});
    files.append({theme + QStringLiteral("scalable/mimetypes/") + docIcon + QStringLiteral(".svg"),
                  QStringLiteral(":/icons/qzm-document.svg")});
    return files;
}

QString CShellRegistration::EscapeEntryString(const QString& value)
{
    QString out;
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    // A leading blank would be trimmed by readers.
    if (out.startsWith(QLatin1Char(' ')))
        out.replace(0, 1, QLatin1String("\\s"));
    return out;
}

QString CShellRegistration::QuoteExecArgument(const QString& argument)
{
    // Always quoted; inside the quotes ", `, $ and \ take a backslash, and a
    // percent sign is doubled so it is not read as a field code.
    QString out = QStringLiteral("\"");
    for (QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            out += QLatin1Char('%');
        out += c;
    }
    return out + QLatin1Char('"');
}

QByteArray CShellRegistration::DesktopEntry() const
{
    const QString program = QuoteExecArgument(m_program);
    QString text;
    text += QLatin1String("[Desktop Entry]\n");
    text += QLatin1String("Type=Application\n");
    text += QLatin1String("Version=1.4\n");
    text += QLatin1String("Name=QZM\n");
    text += QLatin1String("GenericName=QZM Configurator\n");
    text += QLatin1String("Comment=Configuration tool for QZM Hardware\n");
    text += QLatin1String("Icon=") + DesktopBaseName() + QLatin1Char('\n');
    text += QLatin1String("TryExec=") + EscapeEntryString(m_program) + QLatin1Char('\n');
    text += QLatin1String("Exec=") + EscapeEntryString(program + QLatin1String(" %f")) + QLatin1Char('\n');
    text += QLatin1String("MimeType=") + m_type.MimeType() + QLatin1String(";\n");
    text += QLatin1String("Categories=Utility;\n");
    text += QLatin1String("Keywords=configuration;serial;Modbus;field network;concentrator;\n");
    text += QLatin1String("Terminal=false\n");
    // The window's X11 class, for docks that match windows to launchers.
    text += QLatin1String("StartupWMClass=") + QCoreApplication::applicationName() + QLatin1Char('\n');
    text += QLatin1String("Actions=Print;\n");
    text += QLatin1String("\n[Desktop Action Print]\n");
    text += QLatin1String("Name=Print\n");
    text += QLatin1String("Exec=") + EscapeEntryString(program + QLatin1String(" /p %f")) + QLatin1Char('\n');
    return text.toUtf8();
}

QByteArray CShellRegistration::MimePackage(bool withGlob) const
{
    QString text;
    text += QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    text += QLatin1String("<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    text += QLatin1String("  <mime-type type=\"") + XmlEscaped(m_type.MimeType()) + QLatin1String("\">\n");
    text += QLatin1String("    <comment>") + XmlEscaped(m_type.typeName) + QLatin1String("</comment>\n");
    text += QLatin1String("    <icon name=\"") + XmlEscaped(m_type.MimeType().replace(QLatin1Char('/'), QLatin1Char('-')))
            + QLatin1String("\"/>\n");
    if (withGlob)
        text += QLatin1String("    <glob pattern=\"*") + XmlEscaped(m_type.extension) + QLatin1String("\"/>\n");
    text += QLatin1String("  </mime-type>\n");
    text += QLatin1String("</mime-info>\n");
    return text.toUtf8();
}

bool CShellRegistration::ExtensionOwnedByOther() const
{
    const QString ours = m_type.MimeType();
    QStringList dirs{DataHome()};
    dirs += DataDirs();
    const QString ownPackage = QFileInfo(MimePackagePath()).fileName();
    for (const QString& dir : std::as_const(dirs)) {
        const QString mime = dir + QStringLiteral("/mime/");
        if (GlobFileNamesOther(mime + QStringLiteral("globs2"), true, m_type.extension, ours)
            || GlobFileNamesOther(mime + QStringLiteral("globs"), false, m_type.extension, ours))
            return true;
        // Only packages newer than the compiled database can say more than it.
        const QFileInfo compiled(mime + QStringLiteral("globs2"));
        QDirIterator packages(mime + QStringLiteral("packages"), {QStringLiteral("*.xml")}, QDir::Files);
        while (packages.hasNext()) {
            const QString package = packages.next();
            if (packages.fileName() == ownPackage)
                continue;
            if (compiled.exists() && packages.fileInfo().lastModified() < compiled.lastModified())
                continue;
            if (PackageNamesOther(package, m_type.extension, ours))
                return true;
        }
    }
    return false;
}

QString CShellRegistration::EntryProgram(const QByteArray& entry)
{
    for (const QByteArray& line : entry.split('\n'))
        if (line.startsWith("TryExec="))
            return UnescapeEntryString(QString::fromUtf8(line.mid(8)).trimmed());
    return {};
}

QString CShellRegistration::SystemDataDir() const
{
    const QFileInfo program(m_program);
    if (!program.isAbsolute())
        return {};
    const QString prefix = QFileInfo(program.absolutePath()).absolutePath();
    const QString data = QDir::cleanPath(prefix + QStringLiteral("/share"));
    const QString name = DesktopBaseName();
    if (!DataDirs().contains(data)
        || !QFileInfo::exists(data + QStringLiteral("/applications/") + name + QStringLiteral(".desktop"))
        || !QFileInfo::exists(data + QStringLiteral("/mime/packages/") + name + QStringLiteral(".xml")))
        return {};
    return data;
}

bool CShellRegistration::Register()
{
    if (m_program.isEmpty() || m_type.typeId.isEmpty() || m_type.extension.isEmpty())
        return false;

    if (!SystemDataDir().isEmpty()) {
        // Installed (a package): the system's entry, type and icons serve.
        // A per-user entry of the same name would shadow them; take it away
        // when it is this program's own or its program is gone, but leave
        // one that another build still in place wrote.
        const QString owner = EntryProgram(ReadAll(DesktopEntryPath()));
        if (owner.isEmpty() || owner == m_program || !QFileInfo::exists(owner))
            Unregister();
        return true;
    }

    // A per-user registration that names another program, even a missing
    // one, is rewritten to name this one.
    bool ok = true;

    InitIconResources();
    bool iconsChanged = false;
    for (const auto& [path, resource] : IconFiles()) {
        const QByteArray bytes = ReadAll(resource);
        ok = !bytes.isEmpty() && WriteIfChanged(path, bytes, &iconsChanged) && ok;
    }

    // The type is always defined; the glob only while no other type owns it.
    bool mimeChanged = false;
    ok = WriteIfChanged(MimePackagePath(), MimePackage(!ExtensionOwnedByOther()), &mimeChanged) && ok;

    bool entryChanged = false;
    ok = WriteIfChanged(DesktopEntryPath(), DesktopEntry(), &entryChanged) && ok;

    if (mimeChanged)
        RunTool(QStringLiteral("update-mime-database"), {DataHome() + QStringLiteral("/mime")});
    if (entryChanged)
        RunTool(QStringLiteral("update-desktop-database"), {DataHome() + QStringLiteral("/applications")});
    return ok;
}

void CShellRegistration::Unregister()
{
    for (const auto& icon : IconFiles())
        QFile::remove(icon.first);
    if (QFile::remove(MimePackagePath()))
        RunTool(QStringLiteral("update-mime-database"), {DataHome() + QStringLiteral("/mime")});
    if (QFile::remove(DesktopEntryPath()))
        RunTool(QStringLiteral("update-desktop-database"), {DataHome() + QStringLiteral("/applications")});
}
