#include "transfer/TransferHistory.h"

CTransferHistory::CTransferHistory(QObject* parent) : QObject(parent)
{
}

void CTransferHistory::Clear()
{
    m_records.clear();
    m_ids.clear();
    emit cleared();
}

void CTransferHistory::TransferStarted(const TransferRecord& record)
{
    if (m_records.size() >= kKeptTransfers) {
        const int drop = int(m_records.size()) - kKeptTransfers + 1;
        m_records.remove(0, drop);
        m_ids.remove(0, drop);
        emit oldestDropped(drop);
    }
    m_records.append(record);
    m_ids.append(m_nNextId++);
    emit transferStarted(int(m_records.size()) - 1);
}

void CTransferHistory::ExchangeChanged(const TransferRecord& record, int index)
{
    if (m_records.isEmpty() || index < 0 || index >= record.exchanges.size())
        return;
    // Only the changed row is copied: a running transfer must stay cheap.
    QList<TransferExchange>& exchanges = m_records.last().exchanges;
    if (index < exchanges.size())
        exchanges[index] = record.exchanges.at(index);
    else if (index == exchanges.size())
        exchanges.append(record.exchanges.at(index));
    else
        exchanges = record.exchanges;
    emit exchangeChanged(int(m_records.size()) - 1, index);
}

void CTransferHistory::TransferFinished(const TransferRecord& record)
{
    if (m_records.isEmpty())
        return;
    m_records.last() = record;
    emit transferFinished(int(m_records.size()) - 1);
}
