// The simulated device's protocol, without a pseudo-terminal.
#include "SimDevice.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QTest>

namespace {
QByteArray Frame(const char* hex)
{
    // STX, the given command and data, ETX, BCC.
    const QByteArray body = HexBytes(hex);
    quint8 bcc = 0;
    for (char c : body)
        bcc ^= quint8(c);
    return QByteArray(1, 0x02) + body + char(0x03) + char(bcc);
}

QList<QByteArray> Replies(const QList<CSimDevice::Answer>& answers)
{
    QList<QByteArray> list;
    for (const auto& a : answers)
        list << a.reply;
    return list;
}

const QByteArray ACK = QByteArray("\x02\x06", 2);
const QByteArray NAK = QByteArray("\x02\x15", 2);
const QByteArray EOT = QByteArray("\x02\x04", 2);
} // namespace

class TestSimDevice : public QObject
{
    Q_OBJECT

private slots:
    void completeTransfer()
    {
        CSimDevice device;
        // A telegram may arrive in pieces and several may come at once.
        const QByteArray all = Frame("01") + Frame("02 01 01 80") + Frame("08 02 0F 01") + Frame("04 F7 00 0F 27")
            + Frame("04 01 01 2C 01");
        QList<CSimDevice::Answer> answers = device.Feed(all.left(5));
        answers += device.Feed(all.mid(5));
        QCOMPARE(Replies(answers), (QList<QByteArray>{ACK, ACK, ACK, ACK, EOT}));
        QVERIFY(answers.first().startsTransfer);
        QVERIFY(answers.last().transferComplete);
        QCOMPARE(device.CompletedTransfers(), 1);
        const CSimDevice::Configuration& c = device.LastConfiguration();
        QCOMPARE(c.parity, 2);
        QCOMPARE(c.timeoutByte, 15);
        QCOMPARE(c.protocol, 1);
        QCOMPARE(c.read.size(), 1);
        QCOMPARE(c.read[0].address, 247);
        QCOMPARE(c.read[0].number, 9999);
        QVERIFY(!c.read[0].parameter);
        QCOMPARE(c.write[0].number, 300);

        const QJsonObject json = device.ToJson();
        QCOMPARE(json["telegrams"].toInt(), 5);
        QCOMPARE(json["configuration"]["baudRate"].toInt(), 19200);
        QCOMPARE(json["configuration"]["timeout"].toInt(), 150);
        QCOMPARE(json["exchanges"].toArray().last()["reply"].toString(), QStringLiteral("02 04"));
    }

    void refusals()
    {
        CSimDevice device;
        // Out of order, malformed and out of range: 02 15.
        QCOMPARE(Replies(device.Feed(Frame("02 01 00 00"))), QList<QByteArray>{NAK});
        QByteArray badBcc = Frame("01");
        badBcc[3] = 0x07;
        QCOMPARE(Replies(device.Feed(badBcc)), QList<QByteArray>{NAK});
        QCOMPARE(Replies(device.Feed(HexBytes("02 09 01 02"))), QList<QByteArray>{NAK});
        for (const char* sizes : {"02 31 00 00", "02 01 00 40"}) {
            device.Feed(Frame("01"));
            QCOMPARE(Replies(device.Feed(Frame(sizes))), QList<QByteArray>{NAK});
        }
        for (const char* settings : {"08 03 0A 00", "08 00 04 00", "08 00 65 00", "08 00 0A 02"}) {
            device.Feed(Frame("01") + Frame("02 01 00 00"));
            QCOMPARE(Replies(device.Feed(Frame(settings))), QList<QByteArray>{NAK});
        }
        for (const char* block : {"04 00 01 00 00", "04 F8 01 00 00", "04 01 02 00 00", "04 01 01 10 27"}) {
            device.Feed(Frame("01") + Frame("02 01 00 00") + Frame("08 00 0A 00"));
            QCOMPARE(Replies(device.Feed(Frame(block))), QList<QByteArray>{NAK});
        }
        // Noise before a frame is skipped.
        QCOMPARE(Replies(device.Feed(HexBytes("FF 00") + Frame("01"))), QList<QByteArray>{ACK});
        QCOMPARE(device.CompletedTransfers(), 0);
        QVERIFY(device.ToJson()["configuration"].isNull());
    }

    void faults()
    {
        CSimDevice device;
        CSimDevice::Fault silent;
        silent.silent = true;
        device.AddFault(1, silent);
        CSimDevice::Fault given;
        given.replace = true;
        given.reply = HexBytes("02 15");
        device.AddFault(2, given);
        CSimDevice::Fault extra;
        extra.extra = HexBytes("02");
        extra.delayMs = 5;
        device.AddFault(3, extra);
        CSimDevice::Fault hangUp;
        hangUp.hangUp = true;
        device.AddFault(4, hangUp);

        const QList<CSimDevice::Answer> answers = device.Feed(Frame("01") + Frame("01") + Frame("01") + Frame("01"));
        QCOMPARE(Replies(answers), (QList<QByteArray>{{}, NAK, HexBytes("02 06 02"), {}}));
        QCOMPARE(answers[2].delayMs, 5);
        QVERIFY(answers[3].hangUp);

        int number = -1;
        QString value;
        QVERIFY(ParseFaultSpec(QStringLiteral("3:0215"), number, value));
        QCOMPARE(number, 3);
        QCOMPARE(value, QStringLiteral("0215"));
        QVERIFY(ParseFaultSpec(QStringLiteral("*:20"), number, value));
        QCOMPARE(number, 0);
        QVERIFY(!ParseFaultSpec(QStringLiteral("0"), number, value));
        QVERIFY(!ParseFaultSpec(QStringLiteral("x:1"), number, value));
    }
};

QTEST_GUILESS_MAIN(TestSimDevice)
#include "tst_sim_device.moc"
