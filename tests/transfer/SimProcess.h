#pragma once

#include "document/QZMDoc.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// qzm-sim running on its own pseudo-terminal for the length of a test.
class SimProcess
{
public:
    ~SimProcess() { Stop(); }

    bool Start(const QStringList& arguments = {})
    {
        m_json = m_dir.filePath(QStringLiteral("received.json"));
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(QZM_SIM_PATH), QStringList{QStringLiteral("--json"), m_json} + arguments);
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(10000))
                return false;
        m_port = QString::fromLocal8Bit(m_process.readLine().trimmed());
        return !m_port.isEmpty();
    }
    void Stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }
    const QString& Port() const { return m_port; }
    // Written by the simulator before each reply, so current once a reply
    // has arrived.
    QJsonObject Received() const
    {
        QFile file(m_json);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_json;
    QString m_port;
};

// The configuration the device received equals the document.
inline void CompareWithDocument(const QJsonObject& received, const CQZMDoc& doc)
{
    const QJsonObject c = received[QStringLiteral("configuration")].toObject();
    QVERIFY2(!c.isEmpty(), "no configuration arrived");
    QCOMPARE(c["readCount"].toInt(), int(doc.ReadBlocks().size()));
    QCOMPARE(c["writeCount"].toInt(), int(doc.WriteBlocks().size()));
    QCOMPARE(c["parity"].toInt(), doc.Parity());
    QCOMPARE(c["timeout"].toInt(), doc.Timeout() / 10 * 10);
    QCOMPARE(c["protocol"].toInt(), doc.Protocol());
    const QList<CBlockMemory*>* lists[] = {&doc.ReadBlocks(), &doc.WriteBlocks()};
    const char* names[] = {"read", "write"};
    for (int l = 0; l < 2; ++l) {
        const QJsonArray blocks = c[QLatin1String(names[l])].toArray();
        QCOMPARE(blocks.size(), lists[l]->size());
        for (qsizetype i = 0; i < blocks.size(); ++i) {
            const CBlockMemory* b = lists[l]->at(i);
            QCOMPARE(blocks[i]["address"].toInt(), b->m_nAddress);
            QCOMPARE(blocks[i]["number"].toInt(), b->m_nNumber);
            QCOMPARE(blocks[i]["parameter"].toBool(), b->m_bParameter != 0);
        }
    }
}
