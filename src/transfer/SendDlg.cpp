#include "transfer/SendDlg.h"

#include "framework/DialogUnits.h"
#include "framework/Interaction.h"
#include "framework/View.h"
#include "resources/Resource.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>

namespace {
// The template's placement: the top-left corner of the view's client area.
QPoint ClientTopLeft(QWidget* view)
{
    if (auto* scrollArea = qobject_cast<QAbstractScrollArea*>(view))
        return scrollArea->viewport()->mapToGlobal(QPoint(0, 0));
    return view->mapToGlobal(view->contentsRect().topLeft());
}
} // namespace

CSendDlg::CSendDlg()
{
    setObjectName(QStringLiteral("IDD_SEND_DLG"));
    setWindowTitle(QStringLiteral("Sending Block Memory"));
    setModal(false);

    QFont font = QApplication::font();
    font.setPointSize(8);
    setFont(font);
    const CDialogUnits units(font);
    setFixedSize(units.X(220), units.Y(52));

    m_wndStatus = new QLabel(QStringLiteral("Static"), this);
    m_wndStatus->setObjectName(QStringLiteral("IDC_STATUS"));
    m_wndStatus->setAlignment(Qt::AlignCenter);
    m_wndStatus->setGeometry(units.Rect(10, 10, 200, 12));

    m_wndProgress = new QProgressBar(this);
    m_wndProgress->setObjectName(QStringLiteral("IDC_PROGRESS"));
    m_wndProgress->setTextVisible(false);
    m_wndProgress->setRange(0, 100);
    m_wndProgress->setValue(0);
    m_wndProgress->setGeometry(units.Rect(10, 30, 200, 12));
}

CSendDlg::~CSendDlg() = default;

bool CSendDlg::AskToSave(CDocument& doc)
{
    // A question gets the arrow, not the transfer's wait cursor.
    ShowChanges();
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool goOn = doc.SaveModified();
    QGuiApplication::restoreOverrideCursor();
    return goOn;
}

bool CSendDlg::Create(CView* view)
{
    QWidget* parent = dynamic_cast<QWidget*>(view);
    // A dialog frame with a title and a system menu but no close button:
    // the transfer cannot be cancelled.
    setParent(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint);
    if (parent)
        move(ClientTopLeft(parent));
    show();
    Flush(this);
    return isVisible();
}

void CSendDlg::Destroy()
{
    ShowChanges();
    hide();
    setParent(nullptr);
}

void CSendDlg::SetStatusText(const QString& text)
{
    // Blocks share one text: painting it again would only hold up the line.
    if (m_wndStatus->text() == text)
        return;
    m_wndStatus->setText(text);
    m_bTextPending = true;
}

void CSendDlg::ShowChanges()
{
    if (!m_bTextPending && !m_bStepPending)
        return;
    if (m_bTextPending && m_bStepPending && m_wndProgress->isVisible())
        m_wndProgress->repaint();
    Flush(m_bTextPending ? static_cast<QWidget*>(m_wndStatus) : m_wndProgress);
    m_bTextPending = m_bStepPending = false;
}

void CSendDlg::SetRange(int upper)
{
    m_wndProgress->setRange(0, upper);
    m_wndProgress->setValue(0);
    Flush(m_wndProgress);
}

void CSendDlg::StepIt()
{
    // Painted while the next telegram is on the line, or before a message
    // or the end.
    m_wndProgress->setValue(qMin(m_wndProgress->value() + 1, m_wndProgress->maximum()));
    m_bStepPending = true;
}

void CSendDlg::ReportFailure(const QString& text, const QString& detailedText)
{
    // The wait cursor belongs to the transfer, not to the message box.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const QString monitor = QStringLiteral("View > Transfer Monitor shows every exchange.");
    AfxMessageBox(text, MessageRequest::Icon::Warning,
                  detailedText.isEmpty() ? monitor : detailedText + QStringLiteral("\n\n") + monitor);
    QGuiApplication::restoreOverrideCursor();
}

void CSendDlg::Flush(QWidget* changed)
{
    // The UI thread is blocked for the whole transfer: paint now, and let the
    // window system show it, without taking user input or socket events
    // (which could start other work on the document being sent).
    if (changed->isVisible())
        changed->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

void CSendDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void CSendDlg::keyPressEvent(QKeyEvent* event)
{
    // Escape would close a dialog; this one has nothing to cancel.
    event->ignore();
}
