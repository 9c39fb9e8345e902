#pragma once

#include "transfer/TransferRecord.h"

#include <QList>
#include <QObject>

// The records of the last few transfers, the newest last, following the
// running one as it goes. The window's Transfer Monitor shows it.
class CTransferHistory : public QObject, public CTransferObserver
{
    Q_OBJECT

public:
    static constexpr int kKeptTransfers = 5;

    explicit CTransferHistory(QObject* parent = nullptr);

    const QList<TransferRecord>& Records() const { return m_records; }
    // A number that stays with a record while it is kept; -1 for none.
    int IdOf(int index) const { return index >= 0 && index < m_ids.size() ? m_ids.at(index) : -1; }
    int IndexOf(int id) const { return id < 0 ? -1 : int(m_ids.indexOf(id)); }
    void Clear();

    void TransferStarted(const TransferRecord& record) override;
    void ExchangeChanged(const TransferRecord& record, int index) override;
    void TransferFinished(const TransferRecord& record) override;

signals:
    // Records before `count` were dropped to keep the history bounded.
    void oldestDropped(int count);
    void transferStarted(int transfer);
    void exchangeChanged(int transfer, int index);
    void transferFinished(int transfer);
    void cleared();

private:
    QList<TransferRecord> m_records;
    QList<int> m_ids;
    int m_nNextId = 0;
};
