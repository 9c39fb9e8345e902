#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// A free TCP port on the loopback address, as the system hands it out.
inline quint16 FreeLoopbackPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

// A real ser2net bridging a TCP port on the loopback address to a serial
// device (qzm-sim's pseudo-terminal) in raw mode.
class Ser2NetProcess
{
public:
    ~Ser2NetProcess() { Stop(); }

    static QString Program()
    {
        return QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"),
                                               QStringLiteral("/sbin"), QStringLiteral("/usr/bin")});
    }

    // Another program may take the port between choosing and binding it:
    // then ser2net never listens, and another port is tried.
    bool Start(const QString& device)
    {
        const QString program = Program();
        if (program.isEmpty())
            return false;
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_port = FreeLoopbackPort();
            const QStringList config{
                QStringLiteral("connection: &qzm"),
                QStringLiteral("  accepter: tcp,127.0.0.1,%1").arg(m_port),
                QStringLiteral("  connector: serialdev,%1,9600n81,local").arg(device),
                // The readiness probe may still be connected when the
                // client comes.
                QStringLiteral("  options:"),
                QStringLiteral("    kickolduser: true"),
            };
            QStringList arguments{QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-P"),
                                  m_dir.filePath(QStringLiteral("ser2net.pid"))};
            for (const QString& line : config)
                arguments << QStringLiteral("-Y") << line;
            // Its output (a complaint about mDNS without a daemon) is shown
            // only when it fails.
            m_process.setProcessChannelMode(QProcess::MergedChannels);
            m_process.start(program, arguments);
            if (!m_process.waitForStarted(10000))
                return false;
            const bool listening = QTest::qWaitFor(
                [this] {
                    if (m_process.state() != QProcess::Running)
                        return true;
                    QTcpSocket probe;
                    probe.connectToHost(QHostAddress::LocalHost, m_port);
                    return probe.waitForConnected(200);
                },
                10000);
            if (listening && m_process.state() == QProcess::Running)
                return true;
            Stop();
            qWarning("ser2net: %s", m_process.readAll().constData());
        }
        return false;
    }
    void Stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
    }
    QString Url() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(m_port); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
