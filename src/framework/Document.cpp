#include "framework/Document.h"

#include "framework/Archive.h"
#include "framework/DocTemplate.h"
#include "framework/Interaction.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "framework/View.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Opens for reading and reports the operating system's reason on failure.
FileErrorCause OpenForReading(QFile& file, const QString& path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return FileErrorCauseFromErrno(errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return FileErrorCause::AccessDenied;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return FileErrorCause::Generic;
    }
    return FileErrorCause::None;
#else
    file.setFileName(path);
    if (file.open(QIODevice::ReadOnly))
        return FileErrorCause::None;
    if (!QFileInfo::exists(path))
        return FileErrorCause::FileNotFound;
    return file.error() == QFileDevice::PermissionsError ? FileErrorCause::AccessDenied
                                                         : FileErrorCause::Generic;
#endif
}

// Why a file could not be created: the folder decides.
FileErrorCause CreateFailureCause(const QString& path)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists())
        return FileErrorCause::BadPath;
    if (!folder.isDir())
        return FileErrorCause::BadPath;
    if (info.isDir())
        return FileErrorCause::AccessDenied;
    if (!folder.isWritable() || (info.exists() && !info.isWritable()))
        return FileErrorCause::AccessDenied;
    return FileErrorCause::None;
}

} // namespace

CDocument::CDocument() = default;

CDocument::~CDocument()
{
    for (CView* view : std::as_const(m_views))
        view->m_pDocument = nullptr;
}

void CDocument::SetTitle(const QString& title)
{
    if (m_strTitle == title)
        return;
    m_strTitle = title;
    emit titleChanged(title);
}

void CDocument::SetPathName(const QString& path, bool addToRecentList)
{
    m_strPathName = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(m_strPathName).fileName());
    if (addToRecentList && m_pDocTemplate)
        m_pDocTemplate->AddToRecentFileList(m_strPathName);
}

void CDocument::SetModifiedFlag(bool modified)
{
    emit contentsTouched();
    if (m_bModified == modified)
        return;
    m_bModified = modified;
    emit modifiedChanged(modified);
}

void CDocument::AddView(CView* view)
{
    if (m_views.contains(view))
        return;
    m_views.append(view);
    view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view)
{
    m_views.removeAll(view);
    view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, int hint, CObject* hintObject)
{
    emit contentsTouched();
    const QList<CView*> views = m_views;
    for (CView* view : views)
        if (view != sender)
            view->OnUpdate(sender, hint, hintObject);
}

bool CDocument::OnNewDocument()
{
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

void CDocument::Serialize(CArchive&) {}

bool CDocument::OnOpenDocument(const QString& path)
{
    m_bLoadChangedContents = false;
    QFile file;
    const FileErrorCause cause = OpenForReading(file, path);
    if (cause != FileErrorCause::None) {
        ReportSaveLoadFailure(false, path, AFX_IDP_FAILED_TO_OPEN_DOC, cause);
        return false;
    }

    // From here the load replaces the contents; a failure leaves them changed.
    m_bLoadChangedContents = true;
    try {
        CArchive ar(&file, CArchive::load);
        Serialize(ar);
    } catch (const CArchiveException&) {
        ReportSaveLoadFailure(false, path, AFX_IDP_FAILED_TO_OPEN_DOC, FileErrorCause::None,
                              AFX_IDP_FAILED_INVALID_FORMAT);
        return false;
    } catch (const CArchiveDeviceError&) {
        ReportSaveLoadFailure(false, path, AFX_IDP_FAILED_TO_OPEN_DOC, FileErrorCause::HardIO);
        return false;
    }
    m_bLoadChangedContents = false;
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const QString& path)
{
    // Build the whole file in memory first, so the disk only ever sees a
    // complete file replacing the old one in one step.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        CArchive ar(&buffer, CArchive::store);
        Serialize(ar);
    }
    const QByteArray bytes = buffer.data();

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        FileErrorCause cause = FileErrorCauseFromErrno(errno);
        if (cause == FileErrorCause::None || cause == FileErrorCause::Generic)
            cause = CreateFailureCause(path);
        ReportSaveLoadFailure(true, path, AFX_IDP_INVALID_FILENAME, cause);
        return false;
    }
    errno = 0;
    // QSaveFile::commit() alone can report success after a failed flush;
    // check every step and abandon the temporary file on any failure.
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    if (!written) {
        const FileErrorCause cause = FileErrorCauseFromErrno(errno);
        file.cancelWriting();
        ReportSaveLoadFailure(true, path, AFX_IDP_FAILED_TO_SAVE_DOC,
                              cause == FileErrorCause::None ? FileErrorCause::Generic : cause);
        return false;
    }
    if (!file.commit()) {
        const FileErrorCause cause = FileErrorCauseFromErrno(errno);
        ReportSaveLoadFailure(true, path, AFX_IDP_FAILED_TO_SAVE_DOC,
                              cause == FileErrorCause::None ? FileErrorCause::Generic : cause);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CDocument::ReportSaveLoadFailure(bool saving, const QString& path, int fallbackId, FileErrorCause cause,
                                      int formatErrorId)
{
    Q_UNUSED(saving);
    QString text;
    if (formatErrorId)
        text = CStringTable::Load(formatErrorId);
    else
        text = FileErrorMessage(cause, path);
    if (text.isEmpty())
        text = CStringTable::Load(fallbackId);
    AfxMessageBox(text);
}

QString CDocument::DisplayName() const
{
    return m_strPathName.isEmpty() ? m_strTitle : QFileInfo(m_strPathName).fileName();
}

bool CDocument::SaveModified()
{
    if (!IsModified())
        return true;
    MessageRequest request;
    request.text = FormatMessageText(AFX_IDP_ASK_TO_SAVE, DisplayName());
    request.icon = MessageRequest::Icon::Warning;
    request.buttons = MessageRequest::Buttons::YesNoCancel;
    switch (CInteraction::Instance().MessageBox(request)) {
    case MsgAnswer::Yes: return DoFileSave();
    case MsgAnswer::No: return true;
    default: return false;
    }
}

bool CDocument::DoFileSave()
{
    const QFileInfo info(m_strPathName);
    if (m_strPathName.isEmpty() || !info.exists() || !info.isWritable())
        return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CDocument::DoSave(const QString& path, bool replace)
{
    QString newName = path;
    if (newName.isEmpty()) {
        FileDialogRequest request;
        request.mode = FileDialogRequest::Mode::Save;
        request.title = CStringTable::Load(AFX_IDS_SAVEFILE);
        request.confirmOverwrite = true;
        if (m_pDocTemplate) {
            request.filters = m_pDocTemplate->FileFilters();
            request.defaultSuffix = m_pDocTemplate->DefaultSuffix();
        }
        QString initial = m_strPathName;
        if (initial.isEmpty()) {
            initial = m_strTitle;
            if (!request.defaultSuffix.isEmpty() && !initial.contains(QLatin1Char('.')))
                initial += QLatin1Char('.') + request.defaultSuffix;
        }
        request.initialPath = initial;
        const std::optional<QString> chosen = CInteraction::Instance().FileDialog(request);
        if (!chosen)
            return false;
        newName = *chosen;
    }
    if (!OnSaveDocument(newName))
        return false;
    if (replace)
        SetPathName(newName);
    return true;
}

bool CDocument::OnCmdMsg(int id, CCmdUI* ui)
{
    if (id == ID_FILE_SAVE || id == ID_FILE_SAVE_AS) {
        if (ui)
            ui->Enable(true);
        else if (id == ID_FILE_SAVE)
            DoFileSave();
        else
            DoSave(QString());
        return true;
    }
    return CCmdTarget::OnCmdMsg(id, ui);
}
