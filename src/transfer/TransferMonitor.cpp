#include "transfer/TransferMonitor.h"

#include "framework/Interaction.h"
#include "framework/WindowAccessible.h"
#include "transfer/TransferHistory.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>

using namespace TransferRecordFormat;

namespace {
double Luminance(const QColor& color)
{
    auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A red that reads on the palette's base colours (4.5:1 at least), dark on a
// light palette and light on a dark one; it turns toward the text colour
// until it does.
QColor RefusalColor(const QPalette& palette)
{
    const QColor base = palette.color(QPalette::Base);
    const QColor alternate = palette.color(QPalette::AlternateBase);
    const QColor text = palette.color(QPalette::Text);
    const QColor red = Luminance(base) > 0.18 ? QColor(0xb0, 0x00, 0x00) : QColor(0xff, 0x7b, 0x7b);
    for (int step = 0; step <= 10; ++step) {
        const double t = step / 10.0;
        const QColor color = QColor::fromRgbF(red.redF() + (text.redF() - red.redF()) * t,
                                              red.greenF() + (text.greenF() - red.greenF()) * t,
                                              red.blueF() + (text.blueF() - red.blueF()) * t);
        if (Contrast(color, base) >= 4.5 && Contrast(color, alternate) >= 4.5)
            return color;
    }
    return text;
}

// Blocks go Read 1.., then Write 1..: "Read 17" spares counting rows.
QString TelegramName(const TransferRecord& record, int index)
{
    const TransferExchange& e = record.exchanges.at(index);
    if (e.kind != Telegram::Kind::Block && e.kind != Telegram::Kind::LastBlock)
        return KindName(e.kind);
    int block = 0;
    for (int i = 0; i < index; ++i) {
        const Telegram::Kind kind = record.exchanges.at(i).kind;
        block += kind == Telegram::Kind::Block || kind == Telegram::Kind::LastBlock;
    }
    const QString entry = block < record.readCount
                              ? CTransferMonitorModel::tr("Read %1").arg(block + 1)
                              : CTransferMonitorModel::tr("Write %1").arg(block - record.readCount + 1);
    return e.kind == Telegram::Kind::LastBlock ? CTransferMonitorModel::tr("%1 (last block)").arg(entry) : entry;
}
} // namespace

QColor CTransferMonitorModel::RefusalColorFor(const QPalette& palette)
{
    return RefusalColor(palette);
}

CTransferMonitorModel::CTransferMonitorModel(const CTransferHistory& history, QObject* parent)
    : QAbstractTableModel(parent), m_history(history)
{
}

int CTransferMonitorModel::Transfer() const
{
    return m_history.IndexOf(m_nTransferId);
}

const TransferExchange* CTransferMonitorModel::Exchange(int row) const
{
    const int transfer = Transfer();
    if (transfer < 0 || row < 0 || row >= m_nRowsShown)
        return nullptr;
    const QList<TransferExchange>& exchanges = m_history.Records().at(transfer).exchanges;
    return row < exchanges.size() ? &exchanges.at(row) : nullptr;
}

void CTransferMonitorModel::SetTransfer(int transfer)
{
    beginResetModel();
    m_nTransferId = m_history.IdOf(transfer);
    m_nRowsShown = m_nTransferId >= 0 ? int(m_history.Records().at(transfer).exchanges.size()) : 0;
    m_nFirstDirty = -1;
    m_sinceFlush.start();
    endResetModel();
    if (m_nRowsShown > 0)
        emit rowsShown();
}

void CTransferMonitorModel::ExchangeChanged(int index, bool now)
{
    if (index < m_nRowsShown && (m_nFirstDirty < 0 || index < m_nFirstDirty))
        m_nFirstDirty = index;
    if (now || !m_sinceFlush.isValid() || m_sinceFlush.elapsed() >= m_nRepaintIntervalMs)
        Flush();
}

void CTransferMonitorModel::Flush()
{
    m_sinceFlush.start();
    const int transfer = Transfer();
    if (transfer < 0) {
        if (m_nRowsShown > 0)
            SetTransfer(-1);
        return;
    }
    const int available = int(m_history.Records().at(transfer).exchanges.size());
    if (available < m_nRowsShown) {
        SetTransfer(transfer);
        return;
    }
    if (m_nFirstDirty >= 0 && m_nRowsShown > 0)
        emit dataChanged(index(m_nFirstDirty, 0), index(m_nRowsShown - 1, ColumnCount - 1));
    m_nFirstDirty = -1;
    if (available > m_nRowsShown) {
        beginInsertRows({}, m_nRowsShown, available - 1);
        m_nRowsShown = available;
        endInsertRows();
        emit rowsShown();
    }
}

int CTransferMonitorModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nRowsShown;
}

int CTransferMonitorModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CTransferMonitorModel::data(const QModelIndex& index, int role) const
{
    const TransferExchange* exchange = index.isValid() ? Exchange(index.row()) : nullptr;
    if (!exchange)
        return {};
    const TransferExchange& e = *exchange;
    using J = TransferExchange::Judgement;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Number: return e.number;
        case Time: return Milliseconds(e.sentUs);
        case Telegram: return TelegramName(m_history.Records().at(Transfer()), index.row());
        case Sent: return Hex(e.sent);
        case Received: return TransferRecordFormat::Received(e);
        case ReplyTime: return Milliseconds(e.replyUs);
        case Judgement: return JudgementName(e.judgement);
        }
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == Number || index.column() == Time || index.column() == ReplyTime)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
        if (index.column() == Sent || index.column() == Received)
            return QFontDatabase::systemFont(QFontDatabase::FixedFont);
        return {};
    case Qt::ForegroundRole:
        if (index.column() == Judgement && e.judgement != J::Accepted && e.judgement != J::LastBlock
            && e.judgement != J::Pending)
            return RefusalColor(QGuiApplication::palette());
        return {};
    case Qt::ToolTipRole:
        if (index.column() == Received && !e.after.isEmpty())
            return tr("+%1: bytes on the line after this reply; they are read as the start of the next one.")
                .arg(TransferRecordFormat::After(e));
        return {};
    }
    return {};
}

QVariant CTransferMonitorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Number: return tr("#");
    case Time: return tr("Time (ms)");
    case Telegram: return tr("Telegram");
    case Sent: return tr("Sent");
    case Received: return tr("Received");
    case ReplyTime: return tr("Reply (ms)");
    case Judgement: return tr("Judgement");
    }
    return {};
}

CTransferMonitor::CTransferMonitor(CTransferHistory& history, QWidget* parent)
    : QWidget(parent, Qt::Window), m_history(history)
{
    setObjectName(QStringLiteral("IDD_TRANSFER_MONITOR"));
    MarkAsAccessibleWindow(this);
    setWindowTitle(tr("Transfer Monitor"));
    resize(780, 420);

    m_transfers = new QComboBox(this);
    m_transfers->setObjectName(QStringLiteral("IDC_TRANSFERS"));
    m_transfers->setAccessibleName(tr("Transfer"));
    auto* transferLabel = new QLabel(tr("&Transfer:"), this);
    transferLabel->setBuddy(m_transfers);

    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("IDC_HEADER"));
    m_header->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_model = new CTransferMonitorModel(history, this);
    CreateTable();

    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QStringLiteral("IDC_OUTCOME"));
    m_outcome->setWordWrap(true);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_copy = new QPushButton(tr("&Copy"), this);
    m_copy->setObjectName(QStringLiteral("IDC_COPY"));
    m_save = new QPushButton(tr("&Save..."), this);
    m_save->setObjectName(QStringLiteral("IDC_SAVE"));
    m_clear = new QPushButton(tr("C&lear"), this);
    m_clear->setObjectName(QStringLiteral("IDC_CLEAR"));
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("IDC_CLOSE"));

    auto* top = new QHBoxLayout;
    top->addWidget(transferLabel);
    top->addWidget(m_transfers, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_copy);
    buttons->addWidget(m_save);
    buttons->addWidget(m_clear);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_header);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_outcome);
    layout->addLayout(buttons);

    auto* copyAction = new QAction(this);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setShortcutContext(Qt::WindowShortcut);
    addAction(copyAction);
    connect(copyAction, &QAction::triggered, this, &CTransferMonitor::Copy);
    connect(m_copy, &QPushButton::clicked, this, &CTransferMonitor::Copy);
    connect(m_save, &QPushButton::clicked, this, &CTransferMonitor::Save);
    connect(m_clear, &QPushButton::clicked, this, &CTransferMonitor::Clear);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_transfers, &QComboBox::activated, this, &CTransferMonitor::ShowTransfer);
    connect(m_model, &CTransferMonitorModel::rowsShown, m_table, &QTableView::scrollToBottom);

    // Shown records are found by their id, so dropping old ones needs no
    // repaint; the table changes when the new transfer's first row comes.
    connect(&history, &CTransferHistory::transferStarted, this, [this](int) { m_bStartPending = true; });
    connect(&history, &CTransferHistory::exchangeChanged, this, &CTransferMonitor::OnExchangeChanged);
    connect(&history, &CTransferHistory::transferFinished, this, &CTransferMonitor::OnTransferFinished);
    connect(&history, &CTransferHistory::cleared, this, [this] {
        m_bStartPending = false;
        RebuildTransfers(true);
    });

    RebuildTransfers(true);
}

void CTransferMonitor::CreateTable()
{
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("IDC_EXCHANGES"));
    m_table->setAccessibleName(tr("Exchanges"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const int digit = m_table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int hexDigit = QFontMetrics(QFontDatabase::systemFont(QFontDatabase::FixedFont)).horizontalAdvance(QLatin1Char('0'));
    const int widths[] = {5 * digit, 10 * digit, 11 * digit, 25 * hexDigit, 14 * hexDigit, 10 * digit};
    for (int column = 0; column < int(std::size(widths)); ++column)
        m_table->setColumnWidth(column, widths[column]);
}

void CTransferMonitor::OnExchangeChanged(int transfer, int index)
{
    if (m_bStartPending) {
        m_bStartPending = false;
        RebuildTransfers(true);
        return;
    }
    if (transfer != m_model->Transfer())
        return;
    // A refusal at once, before its message box comes up.
    using J = TransferExchange::Judgement;
    const J judgement = m_history.Records().at(transfer).exchanges.at(index).judgement;
    m_model->ExchangeChanged(index, judgement != J::Pending && judgement != J::Accepted && judgement != J::LastBlock);
}

void CTransferMonitor::OnTransferFinished(int transfer)
{
    if (m_bStartPending) {
        // Nothing went on the line (the port failed): show it now.
        m_bStartPending = false;
        RebuildTransfers(true);
        return;
    }
    if (transfer == m_model->Transfer())
        m_model->Flush();
    if (transfer < m_transfers->count())
        m_transfers->setItemText(transfer, TransferTitle(transfer));
    UpdateOutcome();
    UpdateButtons();
}

QString CTransferMonitor::TransferTitle(int transfer) const
{
    const TransferRecord& r = m_history.Records().at(transfer);
    QString title = QStringLiteral("%1  %2").arg(r.started.toString(QStringLiteral("HH:mm:ss")), r.port);
    if (r.outcome == TransferRecord::Outcome::Running)
        return title + QStringLiteral("  running");
    title += QStringLiteral("  ") + OutcomeName(r.outcome);
    if (r.outcome != TransferRecord::Outcome::Succeeded && !r.message.isEmpty())
        title += QStringLiteral(": ") + r.message;
    return title;
}

void CTransferMonitor::RebuildTransfers(bool followNewest)
{
    const int count = int(m_history.Records().size());
    const int shown = m_model->Transfer();
    m_transfers->clear();
    for (int i = 0; i < count; ++i)
        m_transfers->addItem(TransferTitle(i));
    const int show = followNewest || shown < 0 || shown >= count ? count - 1 : shown;
    m_transfers->setCurrentIndex(show);
    ShowTransfer(show);
}

void CTransferMonitor::ShowTransfer(int transfer)
{
    m_model->SetTransfer(transfer);
    UpdateOutcome();
    UpdateButtons();
}

const TransferRecord* CTransferMonitor::ShownRecord() const
{
    const int shown = m_model->Transfer();
    return shown >= 0 && shown < m_history.Records().size() ? &m_history.Records().at(shown) : nullptr;
}

void CTransferMonitor::UpdateOutcome()
{
    const TransferRecord* record = ShownRecord();
    m_header->setText(record ? HeaderLine(*record) : tr("No transfer yet. Choose Comunicate > Send All."));
    m_outcome->setText(record ? OutcomeLine(*record) : QString());
}

void CTransferMonitor::UpdateButtons()
{
    const TransferRecord* record = ShownRecord();
    const bool done = record && record->outcome != TransferRecord::Outcome::Running;
    m_copy->setEnabled(done);
    m_save->setEnabled(done);
    m_clear->setEnabled(!m_history.Records().isEmpty());
}

QString CTransferMonitor::ShownText() const
{
    const TransferRecord* record = ShownRecord();
    return record ? Text(*record) : QString();
}

void CTransferMonitor::Copy()
{
    const QString text = ShownText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

bool CTransferMonitor::Save()
{
    const TransferRecord* record = ShownRecord();
    if (!record)
        return false;
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Save;
    request.title = tr("Save Transfer Record");
    request.initialPath = QDir::home().filePath(
        QStringLiteral("transfer-%1.txt").arg(record->started.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    request.filters = {tr("Text Files (*.txt)"), tr("CSV Files (*.csv)")};
    request.defaultSuffix = QStringLiteral("txt");
    request.confirmOverwrite = true;
    const std::optional<QString> path = CInteraction::Instance().FileDialog(request);
    if (!path)
        return false;
    const bool csv = QFileInfo(*path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
    const QByteArray bytes = (csv ? Csv(*record) : Text(*record)).toUtf8();
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        AfxMessageBox(tr("The transfer record could not be saved to %1.").arg(QDir::toNativeSeparators(*path)),
                      MessageRequest::Icon::Warning, file.errorString());
        return false;
    }
    return true;
}

void CTransferMonitor::Clear()
{
    m_history.Clear();
}
