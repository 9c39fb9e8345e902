#include "framework/Document.h"

#include "framework/Archive.h"
#include "framework/DocTemplate.h"
#include "framework/Interaction.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "framework/View.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    // Only a plain file can hold a document. A folder, pipe, socket or
    // device is refused before it is opened: opening a device can act on
    // it (a serial port's modem lines), a pipe can wait for a writer.
    if (const FileErrorCause kind = NotAFileCause(path); kind != FileErrorCause::None)
        return kind;
    // Without O_NONBLOCK a pipe put there since would hold the program
    // until some writer came along.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return LastFileErrorCause();
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        const FileErrorCause kind = NotAFileCause(path);
        return kind != FileErrorCause::None ? kind : FileErrorCause::AccessDenied;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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

QByteArray HashOf(QIODevice& device)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!device.seek(0) || !hash.addData(&device))
        return {};
    return hash.result();
}

// Why a file could not be created when the system gave no reason: the
// folder decides.
FileErrorCause CreateFailureCause(const QString& path)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists() || !folder.isDir())
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
    m_diskStamp = FileStamp();
    SetModifiedFlag(false);
    return true;
}

void CDocument::Serialize(CArchive&) {}

OpenResult CDocument::OnOpenDocument(const QString& path)
{
    QFile file;
    const FileErrorCause cause = OpenForReading(file, path);
    if (cause != FileErrorCause::None) {
        ReportSaveLoadFailure(path, AFX_IDP_FAILED_TO_OPEN_DOC, cause);
        return OpenResult::Failed;
    }
    FileStamp stamp;
    stamp.path = QFileInfo(path).absoluteFilePath();
    stamp.size = file.size();
    stamp.modified = file.fileTime(QFileDevice::FileModificationTime);
    const OpenResult result = LoadFromDevice(file, path);
    if (!result)
        return result;
    stamp.hash = HashOf(file);
    m_diskStamp = stamp;
    return OpenResult::Opened;
}

CDocument::FileStamp CDocument::StampOf(const QString& path)
{
    FileStamp stamp;
    stamp.path = QFileInfo(path).absoluteFilePath();
    QFile file;
    if (OpenForReading(file, path) != FileErrorCause::None)
        return stamp;
    stamp.size = file.size();
    stamp.modified = file.fileTime(QFileDevice::FileModificationTime);
    stamp.hash = HashOf(file);
    return stamp;
}

bool CDocument::FileChangedOnDisk(const QString& path) const
{
    // Only the file this document came from or went to can have been
    // changed behind its back; one that is gone has nothing to lose.
    if (m_diskStamp.path.isEmpty() || QFileInfo(path).absoluteFilePath() != m_diskStamp.path
        || !QFileInfo::exists(path))
        return false;
    const FileStamp now = StampOf(path);
    if (now.size != m_diskStamp.size)
        return true;
    // Same size: the contents decide; a file touched but not changed
    // loses nothing when overwritten.
    if (!now.hash.isEmpty() && !m_diskStamp.hash.isEmpty())
        return now.hash != m_diskStamp.hash;
    return now.modified != m_diskStamp.modified;
}

OpenResult CDocument::LoadFromDevice(QIODevice& device, const QString& path)
{
    // From here the load replaces the contents; a failure leaves them
    // changed. An empty file is a format error like any other short file,
    // so the previous document never passes for the new file's contents.
    try {
        CArchive ar(&device, CArchive::load);
        Serialize(ar);
    } catch (const CArchiveException&) {
        ReportSaveLoadFailure(path, AFX_IDP_FAILED_TO_OPEN_DOC, FileErrorCause::None,
                              AFX_IDP_FAILED_INVALID_FORMAT);
        return OpenResult::FailedChangingContents;
    } catch (const CArchiveDeviceError&) {
        ReportSaveLoadFailure(path, AFX_IDP_FAILED_TO_OPEN_DOC, FileErrorCause::HardIO);
        return OpenResult::FailedChangingContents;
    }
    SetModifiedFlag(false);
    return OpenResult::Opened;
}

bool CDocument::IsReadOnlyFile(const QString& path)
{
    // Root may write anything; the file's own write bits still say whether
    // the user meant it to be kept as it is.
    const QFileInfo info(path);
    constexpr QFile::Permissions writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.exists() && !info.isDir() && (!info.isWritable() || !(info.permissions() & writeBits));
}

QByteArray CDocument::StoredBytes()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, CArchive::store);
    Serialize(ar);
    return bytes;
}

bool CDocument::OnSaveDocument(const QString& path)
{
    // Build the whole file in memory first, so the disk only ever sees a
    // complete file replacing the old one in one step.
    QByteArray bytes;
    try {
        bytes = StoredBytes();
    } catch (const CArchiveDeviceError&) {
        ReportSaveLoadFailure(path, AFX_IDP_FAILED_TO_SAVE_DOC, FileErrorCause::None);
        return false;
    }

    if (path.isEmpty()) {
        ReportSaveLoadFailure(path, AFX_IDP_INVALID_FILENAME, FileErrorCause::None);
        return false;
    }
    // Replacing the file by renaming would get round its read-only state,
    // and would put a plain file in place of a folder, device or pipe.
    const QFileInfo target(path);
    if (const FileErrorCause kind = NotAFileCause(path); kind != FileErrorCause::None) {
        ReportSaveLoadFailure(path, AFX_IDP_INVALID_FILENAME, kind);
        return false;
    }
    if (IsReadOnlyFile(path) || target.isDir() || (target.exists() && !target.isFile())) {
        ReportSaveLoadFailure(path, AFX_IDP_INVALID_FILENAME, FileErrorCause::AccessDenied);
        return false;
    }
    // A name Qt could not decode would be created as another file beside
    // the one meant.
    if (NameLostInDecoding(path)) {
        ReportSaveLoadFailure(path, AFX_IDP_INVALID_FILENAME, FileErrorCause::NameNotUtf8);
        return false;
    }

    QSaveFile file(path);
    ClearLastFileError();
    if (!file.open(QIODevice::WriteOnly)) {
        FileErrorCause cause = LastFileErrorCause(true);
        if (cause == FileErrorCause::None || cause == FileErrorCause::Generic) {
            const FileErrorCause folderCause = CreateFailureCause(path);
            if (folderCause != FileErrorCause::None || cause == FileErrorCause::None)
                cause = folderCause;
        }
        ReportSaveLoadFailure(path, AFX_IDP_INVALID_FILENAME, cause);
        return false;
    }
    // QSaveFile::commit() alone can report success after a failed flush and
    // leave the target cut short: check every step, and on any failure
    // cancel, so the destructor drops the temporary file and the old file
    // stays as it was. A failure the system gives no reason for shows
    // "Failed to save document.".
    ClearLastFileError();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const FileErrorCause cause = LastFileErrorCause();
        file.cancelWriting();
        ReportSaveLoadFailure(path, AFX_IDP_FAILED_TO_SAVE_DOC, cause);
        return false;
    }
    ClearLastFileError();
    if (!file.commit()) {
        ReportSaveLoadFailure(path, AFX_IDP_FAILED_TO_SAVE_DOC, LastFileErrorCause());
        return false;
    }
    const QFileInfo written(path);
    m_lastWritten.path = written.absoluteFilePath();
    m_lastWritten.size = bytes.size();
    m_lastWritten.modified = written.lastModified();
    m_lastWritten.hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    SetModifiedFlag(false);
    return true;
}

void CDocument::ReportSaveLoadFailure(const QString& path, int fallbackId, FileErrorCause cause, int formatErrorId)
{
    QString text;
    if (formatErrorId)
        text = CStringTable::Load(formatErrorId);
    else
        text = FileErrorMessage(ExplainFileError(cause, path), path);
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
    if (m_strPathName.isEmpty() || !QFileInfo::exists(m_strPathName) || IsReadOnlyFile(m_strPathName))
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
    // Someone else saved over the file since (another window on it, say):
    // overwriting it would lose their work without a word. A name chosen in
    // the dialog has had its own question about replacing the file.
    if (!path.isEmpty() && FileChangedOnDisk(newName)) {
        MessageRequest question;
        question.text = FormatMessageText(IDP_FILE_CHANGED_ON_DISK, QDir::toNativeSeparators(newName));
        question.icon = MessageRequest::Icon::Warning;
        question.buttons = MessageRequest::Buttons::YesNo;
        if (CInteraction::Instance().MessageBox(question) != MsgAnswer::Yes)
            return false;
    }
    if (!OnSaveDocument(newName))
        return false;
    if (replace || m_lastWritten.path == m_diskStamp.path)
        m_diskStamp = m_lastWritten;
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
