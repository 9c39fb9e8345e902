#include "transfer/SerialPortsDlg.h"

#include "framework/Interaction.h"
#include "transfer/SerialLink.h"
#include "document/QZMFields.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QScreen>
#include <QScrollBar>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QString StateText(const PortAssignment& a, const QList<SerialPortEntry>& ports, bool kept = true)
{
    QString text = kept ? QStringLiteral("Now opens %1, chosen by %2").arg(a.device, a.SourceText())
                        : QStringLiteral("Will open %1 once OK keeps this choice").arg(a.device);
    if (a.source == PortSource::Environment)
        text += QStringLiteral(" (it overrides the choice above)");
    if (IsNetworkPort(a.device))
        return text + QStringLiteral("; a network serial server.");
    if (!a.exists)
        return text + QStringLiteral("; not present now.");
    QStringList more;
    if (a.target != a.device)
        more << QStringLiteral("that is ") + a.target;
    if (a.entry >= 0 && !ports.at(a.entry).Details().isEmpty())
        more << ports.at(a.entry).Details();
    return text + (more.isEmpty() ? QString() : QStringLiteral("; ") + more.join(QStringLiteral(", "))) + QLatin1Char('.');
}
} // namespace

CSerialPortsDlg::CSerialPortsDlg(CPortDiscovery& discovery, QWidget* parent) : QDialog(parent), m_discovery(discovery)
{
    setWindowTitle(QStringLiteral("Serial Ports"));
    setModal(true);
    setObjectName(QStringLiteral("IDD_SERIAL_PORTS"));

    auto* layout = new QVBoxLayout(this);
    auto* assignments = new QGroupBox(QStringLiteral("Device opened by each serial port"), this);
    auto* grid = new QGridLayout(assignments);
    grid->setColumnStretch(1, 1);
    for (int n = QZMFields::kSerialPort.min; n <= QZMFields::kSerialPort.max; ++n)
        AddPortRow(grid, n);
    layout->addWidget(assignments);

    AddPortList(layout);

    auto* note = new QLabel(QStringLiteral("Each choice is kept in the settings entry \"Serial Ports/COM<n>\" (by its "
                                           "stable /dev/serial/by-id name where there is one, so it survives "
                                           "replugging). An empty choice uses the system's default port. The "
                                           "environment variables QZM_COM1 to QZM_COM4 override these choices."),
                            this);
    note->setWordWrap(true);
    note->setObjectName(QStringLiteral("IDC_SETTINGS_NOTE"));
    layout->addWidget(note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK: keep these choices"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel: keep the earlier choices"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_refresh, &QPushButton::clicked, this, &CSerialPortsDlg::Refresh);

    QSettings settings;
    for (int n = QZMFields::kSerialPort.min; n <= QZMFields::kSerialPort.max; ++n)
        FillBox(n, settings.value(PortSettingsKey(n)).toString());
    Refresh();
    UpdateUseButton();
    m_boxes[0]->setFocus();
}

// One serial port's row: its device, a Try button and a note of what it
// opens now.
void CSerialPortsDlg::AddPortRow(QGridLayout* grid, int n)
{
    QWidget* assignments = grid->parentWidget();
    const QString name = SerialPortName(n);
    auto* label = new QLabel(QStringLiteral("COM&%1:").arg(n), assignments);
    auto* box = new QComboBox(assignments);
    box->setObjectName(QStringLiteral("IDC_") + name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(40);
    box->setAccessibleName(name + QStringLiteral(" device"));
    box->setAccessibleDescription(
        QStringLiteral("A port found on this system, a device path, or tcp://HOST:PORT for a network serial server"));
    box->lineEdit()->setAccessibleName(name + QStringLiteral(" device"));
    box->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyUSB0 or tcp://HOST:PORT"));
    label->setBuddy(box);
    auto* state = new QLabel(assignments);
    state->setObjectName(QStringLiteral("IDC_%1_STATE").arg(name));
    state->setWordWrap(true);
    state->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    state->setFocusPolicy(Qt::NoFocus);
    // The note's own text is its name for a screen reader.
    state->setAccessibleDescription(QStringLiteral("What %1 opens now").arg(name));
    auto* tryPort = new QPushButton(QStringLiteral("Try"), assignments);
    tryPort->setObjectName(QStringLiteral("IDC_%1_TRY").arg(name));
    tryPort->setAutoDefault(false);
    tryPort->setAccessibleName(QStringLiteral("Try the device of %1 now").arg(name));
    tryPort->setToolTip(QStringLiteral("Opens the device %1 would open, says whether it opens, and closes it again")
                            .arg(name));
    grid->addWidget(label, 2 * (n - 1), 0);
    grid->addWidget(box, 2 * (n - 1), 1);
    grid->addWidget(tryPort, 2 * (n - 1), 2);
    grid->addWidget(state, 2 * (n - 1) + 1, 1, 1, 2);
    m_boxes[n - 1] = box;
    m_states[n - 1] = state;
    m_tryButtons[n - 1] = tryPort;
    connect(box, &QComboBox::currentTextChanged, this, [this, n] { UpdateNote(n); });
    connect(tryPort, &QPushButton::clicked, this, [this, n] { TryPort(n); });
    box->installEventFilter(this);
}

void CSerialPortsDlg::AddPortList(QVBoxLayout* layout)
{
    auto* listHeader = new QHBoxLayout;
    auto* listLabel = new QLabel(QStringLiteral("&Ports found on this system:"), this);
    m_refresh = new QPushButton(QStringLiteral("&Refresh"), this);
    m_refresh->setObjectName(QStringLiteral("IDC_REFRESH"));
    m_refresh->setAccessibleName(QStringLiteral("Refresh the list of ports"));
    m_refresh->setAutoDefault(false);
    m_use = new QPushButton(QStringLiteral("&Use for COM1"), this);
    m_use->setObjectName(QStringLiteral("IDC_USE"));
    m_use->setAutoDefault(false);
    m_use->setToolTip(QStringLiteral("Takes the port chosen in the list for the serial port last chosen above "
                                     "(a double-click on a row does the same)"));
    listHeader->addWidget(listLabel, 1);
    listHeader->addWidget(m_use);
    listHeader->addWidget(m_refresh);
    layout->addLayout(listHeader);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("IDC_PORTS"));
    m_list->setAccessibleName(QStringLiteral("Ports found on this system"));
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("Description"), QStringLiteral("Manufacturer"),
                             QStringLiteral("VID:PID"), QStringLiteral("Serial number"), QStringLiteral("Stable name")});
    m_list->setMinimumHeight(110);
    listLabel->setBuddy(m_list);
    layout->addWidget(m_list, 1);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { UseListedPort(); });
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { UpdateUseButton(); });
    connect(m_use, &QPushButton::clicked, this, &CSerialPortsDlg::UseListedPort);
}

void CSerialPortsDlg::SetLinkFactory(std::function<std::unique_ptr<CSerialLink>()> factory)
{
    m_linkFactory = std::move(factory);
}

bool CSerialPortsDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The list's port goes to the serial port the user last worked on.
    if (event->type() == QEvent::FocusIn)
        for (int n = QZMFields::kSerialPort.min; n <= QZMFields::kSerialPort.max; ++n)
            if (watched == m_boxes[n - 1]) {
                m_nTarget = n;
                UpdateUseButton();
            }
    return QDialog::eventFilter(watched, event);
}

void CSerialPortsDlg::UpdateNote(int nSerialPort)
{
    const QString choice = Choice(nSerialPort);
    const bool kept = choice == QSettings().value(PortSettingsKey(nSerialPort)).toString();
    m_states[nSerialPort - 1]->setText(StateText(ResolvePortChoice(nSerialPort, choice, &m_ports), m_ports, kept));
    FitNotes();
}

void CSerialPortsDlg::FitNotes()
{
    // A wrapped note keeps every line at any width and scale: its height
    // follows its width, which the layout alone does not do in a dialog.
    // Before the dialog shows, widths are not the ones it will have.
    if (!isVisible())
        return;
    for (QLabel* note : findChildren<QLabel*>())
        if (note->wordWrap() && note->width() > 0)
            note->setMinimumHeight(note->heightForWidth(note->width()));
}

void CSerialPortsDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FitNotes();
}

void CSerialPortsDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FitNotes();
    // As tall as the notes need at this width, within the screen.
    layout()->activate();
    int needed = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width()) : sizeHint().height();
    if (screen())
        needed = qMin(needed, screen()->availableGeometry().height() - 40);
    if (needed > height())
        resize(width(), needed);
}

QString CSerialPortsDlg::TryPort(int nSerialPort)
{
    const PortAssignment a = ResolvePortChoice(nSerialPort, Choice(nSerialPort), &m_ports);
    std::unique_ptr<CSerialLink> link = m_linkFactory ? m_linkFactory() : CreateSerialPortLink();
    QString result;
    if (!link) {
        result = QStringLiteral("%1 could not be tried: the serial port support is not available.").arg(a.device);
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const CSerialLink::OpenResult opened = link->Open(a.device);
        QApplication::restoreOverrideCursor();
        switch (opened) {
        case CSerialLink::OpenResult::Opened:
            result = QStringLiteral("Tried now: %1 opens at 9600 baud, 8N1 (closed again).").arg(a.device);
            break;
        case CSerialLink::OpenResult::SettingsFailed:
            result = QStringLiteral("Tried now: %1 opens, but does not take 9600 baud, 8N1: %2").arg(a.device, link->ErrorString());
            break;
        case CSerialLink::OpenResult::OpenFailed:
            result = QStringLiteral("Tried now: %1 does not open: %2").arg(a.device, link->ErrorString());
            break;
        }
        link->Close();
    }
    UpdateNote(nSerialPort);
    QLabel* note = m_states[nSerialPort - 1];
    note->setText(note->text() + QLatin1Char('\n') + result);
    FitNotes();
    return result;
}

void CSerialPortsDlg::UseListedPort()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    const int row = item ? m_list->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)) : -1;
    QComboBox* box = m_boxes[m_nTarget - 1];
    if (row < 0 || row >= m_ports.size() || !box->isEnabled())
        return;
    const int index = box->findData(m_ports.at(row).PreferredName());
    if (index >= 0)
        box->setCurrentIndex(index);
    box->setFocus();
}

void CSerialPortsDlg::UpdateUseButton()
{
    m_use->setText(QStringLiteral("&Use for %1").arg(SerialPortName(m_nTarget)));
    const QTreeWidgetItem* item = m_list->currentItem();
    m_use->setEnabled(item && (item->flags() & Qt::ItemIsEnabled) && m_boxes[m_nTarget - 1]->isEnabled());
}

void CSerialPortsDlg::FillBox(int nSerialPort, const QString& keep)
{
    QComboBox* box = m_boxes[nSerialPort - 1];
    const QSignalBlocker block(box);
    box->clear();
    // QZM_COM<n> decides while it is set: the box shows it and keeps the
    // settings' choice as it is.
    const QString variable = PortEnvironmentVariable(nSerialPort);
    const QString fromEnvironment = qEnvironmentVariable(qPrintable(variable));
    box->setEnabled(fromEnvironment.isEmpty());
    m_tryButtons[nSerialPort - 1]->setEnabled(true);
    if (!fromEnvironment.isEmpty()) {
        box->addItem(QStringLiteral("%1 (set by %2)").arg(fromEnvironment, variable), keep);
        box->setToolTip(QStringLiteral("%1 is set in the environment and decides; unset it to choose here").arg(variable));
        box->setCurrentIndex(0);
        return;
    }
    box->addItem(QStringLiteral("System default (%1)").arg(SystemDefaultPort(nSerialPort)), QString());
    for (const SerialPortEntry& port : std::as_const(m_ports))
        box->addItem(port.Summary(), port.PreferredName());
    if (keep.isEmpty()) {
        box->setCurrentIndex(0);
        return;
    }
    const QString preferred = PreferredPortName(keep, m_ports);
    const int found = box->findData(preferred);
    if (found > 0) {
        box->setCurrentIndex(found);
    } else {
        box->setCurrentIndex(-1);
        box->setEditText(keep);
    }
}

void CSerialPortsDlg::Refresh()
{
    QString kept[QZMFields::kSerialPort.max];
    for (int n = QZMFields::kSerialPort.min; n <= QZMFields::kSerialPort.max; ++n)
        kept[n - 1] = Choice(n);
    m_ports = m_discovery.Ports();
    for (int n = QZMFields::kSerialPort.min; n <= QZMFields::kSerialPort.max; ++n) {
        FillBox(n, kept[n - 1]);
        UpdateNote(n);
    }
    m_list->clear();
    for (const SerialPortEntry& port : std::as_const(m_ports)) {
        auto* item = new QTreeWidgetItem(m_list, {port.device, port.description, port.manufacturer, port.UsbIds(),
                                                  port.serialNumber, port.stableName});
        item->setToolTip(0, port.Summary());
    }
    if (m_ports.isEmpty()) {
        auto* item = new QTreeWidgetItem(m_list, {QStringLiteral("No serial port found")});
        item->setFlags(Qt::NoItemFlags);
    }
    m_list->header()->resizeSections(QHeaderView::ResizeToContents);
    // Every column's header reads whole: the list is as wide as its
    // columns, within the screen.
    int columns = 0;
    for (int column = 0; column < m_list->columnCount(); ++column) {
        const int header = m_list->header()->sectionSizeHint(column);
        if (m_list->header()->sectionSize(column) < header)
            m_list->header()->resizeSection(column, header);
        columns += m_list->header()->sectionSize(column);
    }
    const int frame = 2 * m_list->frameWidth() + m_list->verticalScrollBar()->sizeHint().width();
    const int room = screen() ? screen()->availableGeometry().width() * 9 / 10 : columns + frame;
    m_list->setMinimumWidth(qMin(columns + frame, room));
    UpdateUseButton();
}

QString CSerialPortsDlg::Choice(int nSerialPort) const
{
    const QComboBox* box = m_boxes[nSerialPort - 1];
    const int index = box->currentIndex();
    const QString text = box->currentText();
    if (index >= 0 && box->itemText(index) == text)
        return box->itemData(index).toString();
    return PreferredPortName(text, m_ports);
}

void CSerialPortsDlg::StoreChoices() const
{
    for (int n = QZMFields::kSerialPort.min; n <= QZMFields::kSerialPort.max; ++n)
        StorePortChoice(n, Choice(n));
}

void CSerialPortsDlg::accept()
{
    for (int n = QZMFields::kSerialPort.min; n <= QZMFields::kSerialPort.max; ++n) {
        const QString choice = Choice(n);
        QString host, error;
        quint16 port = 0;
        if (IsNetworkPort(choice) && !ParseNetworkPort(choice, host, port, &error)) {
            AfxMessageBox(SerialPortName(n) + QStringLiteral(": ") + error);
            m_boxes[n - 1]->setFocus();
            m_boxes[n - 1]->lineEdit()->selectAll();
            return;
        }
    }
    StoreChoices();
    QDialog::accept();
}
