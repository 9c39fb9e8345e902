// Telegram building and reply judging: no port, no widgets.
#include "document/BlockMemory.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/TestEnvironment.h"
#include "transfer/Telegram.h"

#include <QTest>

using namespace Telegram;

class TestTelegram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void workedTelegrams()
    {
        QCOMPARE(BuildRequest(), HexBytes("02 01 03 01"));
        QCOMPARE(BuildSizes(3, 2, 1), HexBytes("02 02 03 02 80 03 83"));
        QCOMPARE(BuildSizes(2, 0, 0), HexBytes("02 02 02 00 00 03 00"));
        QCOMPARE(BuildSettings(0, 100, 1), HexBytes("02 08 00 0A 01 03 03"));
        QCOMPARE(BuildSettings(2, 1000, 0), HexBytes("02 08 02 64 00 03 6E"));

        CBlockMemory block;
        block.m_nAddress = 1;
        block.m_bParameter = 1;
        block.m_nNumber = 100;
        QCOMPARE(BuildBlock(block), HexBytes("02 04 01 01 64 00 03 60"));
        block.m_nAddress = 247;
        block.m_bParameter = 0;
        block.m_nNumber = 9999;
        QCOMPARE(BuildBlock(block), HexBytes("02 04 F7 00 0F 27 03 DB"));
    }

    void fieldEncoding()
    {
        // No selection in the Baudrate list counts as 19200.
        QCOMPARE(BuildSizes(0, 1, -1).at(4), char(0x80));
        // Remainder of the time-out dropped; 1000 ms is 100.
        QCOMPARE(BuildSettings(0, 155, 0).at(3), char(15));
        QCOMPARE(BuildSettings(0, 159, 0).at(3), char(15));
        // Numbers low byte first; wider values keep their low 8 bits.
        CBlockMemory block;
        block.m_nNumber = 300;
        QCOMPARE(BuildBlock(block).mid(4, 2), HexBytes("2C 01"));
        block.m_nAddress = 0x1F7;
        block.m_nNumber = 0x12345;
        const QByteArray telegram = BuildBlock(block);
        QCOMPARE(telegram.mid(2, 4), HexBytes("F7 01 45 23"));
        QCOMPARE(quint8(telegram.at(7)), quint8(0x04 ^ 0xF7 ^ 0x01 ^ 0x45 ^ 0x23));
        QCOMPARE(BuildSizes(300, 48, 0).mid(2, 2), HexBytes("2C 30"));
    }

    void judging_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("message");

        const int none = 0, m113 = IDS_FAIL_READ_DATA, m114 = IDS_QZM_NO_RESPONSE, m116 = IDS_SIZES_INCORRECT;
        const struct { const char* name; Kind kind; const char* reply; int message; } rows[] = {
            {"request ack", Kind::Request, "02 06", none},
            {"request nak", Kind::Request, "02 15", m114},
            {"request eot", Kind::Request, "02 04", m114},
            {"request silent", Kind::Request, "", m114},
            {"request short", Kind::Request, "02", m114},
            {"request no stx", Kind::Request, "03 06", m114},
            {"sizes ack", Kind::Sizes, "02 06", none},
            {"sizes nak", Kind::Sizes, "02 15", m116},
            {"sizes eot", Kind::Sizes, "02 04", m113},
            {"sizes silent", Kind::Sizes, "", m113},
            {"sizes no stx nak", Kind::Sizes, "00 15", m113},
            {"settings ack", Kind::Settings, "02 06", none},
            {"settings nak", Kind::Settings, "02 15", m116},
            {"settings short", Kind::Settings, "06", m113},
            {"block ack", Kind::Block, "02 06", none},
            {"block nak", Kind::Block, "02 15", m113},
            {"block eot", Kind::Block, "02 04", m113},
            {"block no stx", Kind::Block, "FF 06", m113},
            {"last eot", Kind::LastBlock, "02 04", none},
            {"last ack", Kind::LastBlock, "02 06", m113},
            {"last nak", Kind::LastBlock, "02 15", m113},
            {"last silent", Kind::LastBlock, "", m113},
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << int(row.kind) << HexBytes(row.reply) << row.message;
    }

    void judging()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, reply);
        QFETCH(int, message);
        QCOMPARE(JudgeReply(Kind(kind), reply), message);
    }

    void statusTextsAndDump()
    {
        QCOMPARE(CStringTable::Load(StatusTextId(Kind::Request)), QStringLiteral("Request transfer of configurations..."));
        QCOMPARE(CStringTable::Load(StatusTextId(Kind::Sizes)), QStringLiteral("Sending size of inputs and outputs..."));
        QCOMPARE(CStringTable::Load(StatusTextId(Kind::Settings)),
                 QStringLiteral("Sending Modbus-RTU communication settings..."));
        QCOMPARE(StatusTextId(Kind::Block), StatusTextId(Kind::LastBlock));
        QCOMPARE(CStringTable::Load(StatusTextId(Kind::Block)), QStringLiteral("Transfering memory blocks..."));
        QCOMPARE(HexDump(HexBytes("02 04 f7")), QStringLiteral("02 04 F7"));
        QCOMPARE(HexDump({}), QStringLiteral("(nothing)"));
    }
};

QTEST_GUILESS_MAIN(TestTelegram)
#include "tst_telegram.moc"
