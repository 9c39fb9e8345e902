#include "app/ShellRegistration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

void CShellRegistration::RunTool(const QString& tool, const QStringList& arguments) const
{
    if (m_toolRunner) {
        m_toolRunner(tool, arguments);
        return;
    }
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty())
        return;
    // Detached: a slow cache update must not hold up the window.
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.startDetached();
}

DocTypeInfo DocTypeInfo::FromTemplateString(const QString& templateString)
{
    const QStringList fields = templateString.split(QLatin1Char('\n'));
    DocTypeInfo info;
    info.extension = fields.value(4);
    info.typeId = fields.value(5);
    info.typeName = fields.value(6);
    return info;
}

QString DocTypeInfo::MimeType() const
{
    QString suffix = extension;
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    return QStringLiteral("application/x-") + suffix.toLower();
}

CShellRegistration::CShellRegistration(DocTypeInfo type, QString programPath)
    : m_type(std::move(type)), m_program(std::move(programPath))
{
}

QString DesktopBaseName()
{
    return (QCoreApplication::organizationName() + QLatin1Char('-') + QCoreApplication::applicationName()).toLower();
}

#ifndef Q_OS_WIN
void RemoveApplicationSettings()
{
    QSettings settings;
    const QString file = settings.fileName();
    // Empty the cached copy too, so nothing in this process writes it back.
    settings.clear();
    settings.sync();
    QFile::remove(file);
    // Succeeds only for an empty folder: other programs of the maker stay.
    QDir().rmdir(QFileInfo(file).absolutePath());
}
#endif
