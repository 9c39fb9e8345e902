#include "document/QZMDoc.h"
#include "document/TextReport.h"
#include "framework/FileError.h"
#include "framework/Interaction.h"
#include "framework/SettingsKeys.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {
// Writes the report in one write. On failure, cause is what the system
// reported (None when it gave no reason).
bool WriteReport(const QString& path, const QByteArray& report, FileErrorCause& cause)
{
    // A report goes into a plain file only: a pipe nobody reads would hold
    // the program, a device would take the report as its input.
    cause = NotAFileCause(path);
    if (cause == FileErrorCause::None && NameLostInDecoding(path))
        cause = FileErrorCause::NameNotUtf8;
    if (cause != FileErrorCause::None)
        return false;
    QFile file(path);
    ClearLastFileError();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        cause = ExplainFileError(LastFileErrorCause(true), path);
        return false;
    }
    ClearLastFileError();
    if (file.write(report) != report.size() || !file.flush()) {
        cause = LastFileErrorCause();
        return false;
    }
    ClearLastFileError();
    file.close();
    if (file.error() != QFileDevice::NoError) {
        cause = LastFileErrorCause();
        return false;
    }
    return true;
}
} // namespace

void CQZMDoc::OnCreateTextFile()
{
    const QString reportName = ReportNameFromTitle(GetTitle());
    const QByteArray report = BuildTextReport(*this, reportName);

    QSettings settings;
    const QString folder = settings.value(SettingsKeys::ReportFolder()).toString();

    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Save;
    request.title = CStringTable::Load(AFX_IDS_SAVEFILE);
    request.initialPath = folder + reportName;
    request.defaultSuffix = QStringLiteral("txt");
    request.filters = QStringList{CStringTable::Load(IDS_TEXT_FILE_FILTER), CStringTable::Load(AFX_IDS_ALLFILTER)};
    request.confirmOverwrite = true;
    const std::optional<QString> chosen = CInteraction::Instance().FileDialog(request);
    if (!chosen)
        return;

    // The folder is the path less its file name, so it keeps its separator.
    const QString path = QDir::toNativeSeparators(*chosen);
    const QString fileName = QFileInfo(*chosen).fileName();
    settings.setValue(SettingsKeys::ReportFolder(), path.left(path.size() - fileName.size()));
    settings.sync();

    FileErrorCause cause = FileErrorCause::None;
    if (WriteReport(*chosen, report, cause))
        return;
    QString text = FileErrorMessage(cause, *chosen);
    if (text.isEmpty())
        text = CStringTable::Load(AFX_IDP_COMMAND_FAILURE);
    AfxMessageBox(text, MessageRequest::Icon::Stop);
}
