#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QWidget>

struct TransferExchange;

class CTransferHistory;
class QColor;
class QComboBox;
class QPalette;
class QLabel;
class QPushButton;
class QTableView;
struct TransferRecord;

// The exchanges of one transfer of the history as table rows. Rows of a
// running transfer are announced to the view at most every few tenths of a
// second, so painting never holds up the line.
class CTransferMonitorModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Number, Time, Telegram, Sent, Received, ReplyTime, Judgement, ColumnCount };
    static constexpr int kRepaintIntervalMs = 400;
    // The colour of a refused exchange's judgement on this palette.
    static QColor RefusalColorFor(const QPalette& palette);

    explicit CTransferMonitorModel(const CTransferHistory& history, QObject* parent = nullptr);

    // How often rows of a running transfer reach the view at most.
    void SetRepaintInterval(int ms) { m_nRepaintIntervalMs = ms; }
    // -1 for none.
    void SetTransfer(int transfer);
    // Where the shown transfer is in the history now; -1 when none is.
    int Transfer() const;
    // Rows of the shown transfer changed; `now` forces them to the view.
    void ExchangeChanged(int index, bool now);
    // Everything the history holds for the shown transfer, to the view.
    void Flush();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void rowsShown();

private:
    const TransferExchange* Exchange(int row) const;

    const CTransferHistory& m_history;
    int m_nTransferId = -1;
    int m_nRowsShown = 0;
    int m_nFirstDirty = -1;
    int m_nRepaintIntervalMs = kRepaintIntervalMs;
    QElapsedTimer m_sinceFlush;
};

// View > Transfer Monitor: the last transfers' telegrams and replies, live
// while Send All runs, with Copy, Save (text or CSV) and Clear.
class CTransferMonitor : public QWidget
{
    Q_OBJECT

public:
    explicit CTransferMonitor(CTransferHistory& history, QWidget* parent = nullptr);

    QTableView* Table() const { return m_table; }
    CTransferMonitorModel* Model() const { return m_model; }
    // The shown transfer as plain text, as Copy and Save put it.
    QString ShownText() const;

    void Copy();
    // Asks for a file; ".csv" saves CSV, anything else the plain text.
    bool Save();
    void Clear();

private:
    void CreateTable();
    void RebuildTransfers(bool followNewest);
    void OnExchangeChanged(int transfer, int index);
    void OnTransferFinished(int transfer);
    void ShowTransfer(int transfer);
    void UpdateOutcome();
    void UpdateButtons();
    const TransferRecord* ShownRecord() const;
    QString TransferTitle(int transfer) const;

    CTransferHistory& m_history;
    CTransferMonitorModel* m_model = nullptr;
    QComboBox* m_transfers = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_header = nullptr;
    QLabel* m_outcome = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_clear = nullptr;
    // A new transfer is shown with its first row: one repaint, not two.
    bool m_bStartPending = false;
};
