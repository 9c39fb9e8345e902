#include "transfer/SerialPortsDlg.h"

#include "framework/Interaction.h"
#include "transfer/SerialLink.h"

#include <QComboBox>
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
QString stateText(const PortAssignment& a, const QList<SerialPortEntry>& ports)
{
    QString text = QStringLiteral("Now opens %1, chosen by %2").arg(a.device, a.SourceText());
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
    setObjectName(QStringLiteral("serialPorts"));

    auto* layout = new QVBoxLayout(this);
    auto* assignments = new QGroupBox(QStringLiteral("Device opened by each serial port"), this);
    auto* grid = new QGridLayout(assignments);
    grid->setColumnStretch(1, 1);
    for (int n = 1; n <= 4; ++n) {
        const QString name = SerialPortName(n);
        auto* label = new QLabel(QStringLiteral("COM&%1:").arg(n), assignments);
        auto* box = new QComboBox(assignments);
        box->setObjectName(name);
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
        state->setObjectName(name + QStringLiteral("State"));
        state->setWordWrap(true);
        state->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        state->setFocusPolicy(Qt::NoFocus);
        state->setAccessibleName(QStringLiteral("What %1 opens now").arg(name));
        grid->addWidget(label, 2 * (n - 1), 0);
        grid->addWidget(box, 2 * (n - 1), 1);
        grid->addWidget(state, 2 * (n - 1) + 1, 1);
        m_boxes[n - 1] = box;
        m_states[n - 1] = state;
    }
    layout->addWidget(assignments);

    auto* listHeader = new QHBoxLayout;
    auto* listLabel = new QLabel(QStringLiteral("&Ports found on this system:"), this);
    m_refresh = new QPushButton(QStringLiteral("&Refresh"), this);
    m_refresh->setObjectName(QStringLiteral("refresh"));
    m_refresh->setAccessibleName(QStringLiteral("Refresh the list of ports"));
    m_refresh->setAutoDefault(false);
    listHeader->addWidget(listLabel, 1);
    listHeader->addWidget(m_refresh);
    layout->addLayout(listHeader);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("ports"));
    m_list->setAccessibleName(QStringLiteral("Ports found on this system"));
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("Description"), QStringLiteral("Manufacturer"),
                             QStringLiteral("VID:PID"), QStringLiteral("Serial number"), QStringLiteral("Stable name")});
    m_list->setMinimumHeight(110);
    listLabel->setBuddy(m_list);
    layout->addWidget(m_list, 1);

    auto* note = new QLabel(QStringLiteral("Each choice is kept in the settings entry \"Serial Ports/COM<n>\" (by its "
                                           "stable /dev/serial/by-id name where there is one, so it survives "
                                           "replugging). An empty choice uses the system's default port. The "
                                           "environment variables QZM_COM1 to QZM_COM4 override these choices."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK: keep these choices"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel: keep the earlier choices"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_refresh, &QPushButton::clicked, this, &CSerialPortsDlg::Refresh);

    QSettings settings;
    for (int n = 1; n <= 4; ++n)
        FillBox(n, settings.value(PortSettingsKey(n)).toString());
    Refresh();
    m_boxes[0]->setFocus();
}

void CSerialPortsDlg::FillBox(int nSerialPort, const QString& keep)
{
    QComboBox* box = m_boxes[nSerialPort - 1];
    const QSignalBlocker block(box);
    box->clear();
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
    QString kept[4];
    for (int n = 1; n <= 4; ++n)
        kept[n - 1] = Choice(n);
    m_ports = m_discovery.Ports();
    for (int n = 1; n <= 4; ++n) {
        FillBox(n, kept[n - 1]);
        m_states[n - 1]->setText(stateText(ResolvePortAssignment(n, &m_ports), m_ports));
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
    for (int n = 1; n <= 4; ++n)
        StorePortChoice(n, Choice(n));
}

void CSerialPortsDlg::accept()
{
    for (int n = 1; n <= 4; ++n) {
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
