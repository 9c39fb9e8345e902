#include "framework/WidgetInteraction.h"

#include "framework/PrintingInterface.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {
QWidget* DialogParent()
{
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    if (QWidget* w = QApplication::activeWindow())
        return w;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->inherits("QMainWindow"))
            return w;
    return nullptr;
}

QString AppCaption()
{
    const QString title = CStringTable::Load(AFX_IDS_APP_TITLE);
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

// "*.*" means every file on the platform the filters were written for.
QString NativeFilter(QString filter)
{
    return filter.replace(QLatin1String("(*.*)"), QLatin1String("(*)"));
}
} // namespace

MsgAnswer CWidgetInteraction::MessageBox(const MessageRequest& request)
{
    QMessageBox box(DialogParent());
    box.setWindowTitle(AppCaption());
    box.setText(request.text);
    if (!request.detailedText.isEmpty())
        box.setDetailedText(request.detailedText);
    switch (request.icon) {
    case MessageRequest::Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageRequest::Icon::Stop: box.setIcon(QMessageBox::Critical); break;
    case MessageRequest::Icon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageRequest::Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    if (request.buttons == MessageRequest::Buttons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else if (request.buttons == MessageRequest::Buttons::YesNo) {
        // Only ever asked before something that cannot be undone.
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Ok: return MsgAnswer::Ok;
    default:
        if (request.buttons == MessageRequest::Buttons::YesNo)
            return MsgAnswer::No;
        return request.buttons == MessageRequest::Buttons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
}

std::optional<QString> CWidgetInteraction::FileDialog(const FileDialogRequest& request)
{
    QFileDialog dialog(DialogParent(), request.title);
    QStringList filters;
    for (const QString& f : request.filters)
        filters << NativeFilter(f);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (request.mode == FileDialogRequest::Mode::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.confirmOverwrite)
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (!request.initialPath.isEmpty()) {
        const QFileInfo info(request.initialPath);
        if (info.isAbsolute() || request.initialPath.contains(QLatin1Char('/')))
            dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

bool CWidgetInteraction::PrintDialog(const PrintRequest& request)
{
    if (!request.showDialog)
        return true;
    // Qt's print dialog comes with the printing plugin.
    auto* printing = Plugin<CPrintingInterface>(kPrintingPlugin);
    if (!printing) {
        qWarning("Printing is not available: %s", qPrintable(PluginError(kPrintingPlugin)));
        return false;
    }
    return printing->PrintDialog(request.printer, DialogParent());
}

int CWidgetInteraction::RunModal(QWidget* dialog)
{
    if (auto* d = qobject_cast<QDialog*>(dialog))
        return d->exec();
    return 0;
}
