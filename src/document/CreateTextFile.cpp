#include "document/QZMDoc.h"
#include "document/TextReport.h"
#include "framework/FileError.h"
#include "framework/Interaction.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>

namespace {
const char kSection[] = "Global Information";
const char kEntry[] = "Teleg File Path";
} // namespace

void CQZMDoc::OnCreateTextFile()
{
    const QString reportName = ReportNameFromTitle(GetTitle());
    const QByteArray report = BuildTextReport(*this, reportName);

    QSettings settings;
    const QString folder = settings.value(QStringLiteral("%1/%2").arg(kSection, kEntry)).toString();

    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Save;
    request.title = CStringTable::Load(AFX_IDS_SAVEFILE);
    request.initialPath = folder + reportName;
    request.defaultSuffix = QStringLiteral("txt");
    request.filters = QStringList{QStringLiteral("Text Files (*.txt)"), CStringTable::Load(AFX_IDS_ALLFILTER)};
    request.confirmOverwrite = true;
    const std::optional<QString> chosen = CInteraction::Instance().FileDialog(request);
    if (!chosen)
        return;

    const QString path = *chosen;
    const QString fileName = QFileInfo(path).fileName();
    settings.setValue(QStringLiteral("%1/%2").arg(kSection, kEntry), path.left(path.size() - fileName.size()));
    settings.sync();

    QFile file(path);
    errno = 0;
    FileErrorCause cause = FileErrorCause::None;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        cause = FileErrorCauseFromErrno(errno);
    else if (file.write(report) != report.size() || !file.flush())
        cause = FileErrorCauseFromErrno(errno);
    else
        return;
    if (cause == FileErrorCause::None)
        cause = FileErrorCause::Generic;
    QString text = FileErrorMessage(cause, path);
    if (text.isEmpty())
        text = CStringTable::Load(AFX_IDP_COMMAND_FAILURE);
    AfxMessageBox(text, MessageRequest::Icon::Stop);
}
