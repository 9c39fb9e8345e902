#include "document/QZMDoc.h"
#include "framework/View.h"
#include "resources/Resource.h"
#include "support/DocumentHelpers.h"
#include "support/TestEnvironment.h"

#include <QTest>

namespace {
struct RecordingView : CView
{
    int updates = 0;
    int lastHint = -1;
    CObject* lastObject = reinterpret_cast<CObject*>(1);
    void OnUpdate(CView*, int hint, CObject* object) override
    {
        ++updates;
        lastHint = hint;
        lastObject = object;
    }
};

} // namespace

class TestQZMDoc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void constructorAndNewResetDiffer()
    {
        CQZMDoc doc;
        QCOMPARE(doc.Protocol(), 0);
        QCOMPARE(doc.Timeout(), 100);
        QCOMPARE(doc.Parity(), 0);
        QCOMPARE(doc.BaudRate(), 1);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), -1);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), -1);
        QCOMPARE(doc.SerialPort(), 1);
        QVERIFY(doc.Description().isEmpty());

        RecordingView view;
        doc.AddView(&view);
        doc.SetSerialPort(3);
        doc.SetProtocol(1);
        doc.SetTimeout(500);
        doc.SetParity(2);
        doc.SetBaudRate(0);
        doc.SetDescription("plant");
        doc.InsertBlock(CQZMDoc::List::Read);
        doc.InsertBlock(CQZMDoc::List::Write);
        QVERIFY(doc.IsModified());

        QVERIFY(doc.OnNewDocument());
        QCOMPARE(doc.SerialPort(), 3);   // the port survives New
        QCOMPARE(doc.Protocol(), 0);
        QCOMPARE(doc.Timeout(), 100);
        QCOMPARE(doc.Parity(), 0);
        QCOMPARE(doc.BaudRate(), 1);
        QVERIFY(doc.Description().isEmpty());
        QVERIFY(doc.ReadBlocks().isEmpty() && doc.WriteBlocks().isEmpty());
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), -1);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), -1);
        QVERIFY(!doc.IsModified());
        QCOMPARE(view.updates, 1);
        QCOMPARE(view.lastHint, 0);
        QCOMPARE(view.lastObject, nullptr);
    }

    void insertPlacesAfterCurrent()
    {
        CQZMDoc doc;
        doc.InsertBlock(CQZMDoc::List::Read);
        QCOMPARE(doc.ReadBlocks().size(), 1);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), 0);
        QVERIFY(IsDefaultBlock(doc.ReadBlocks()[0]));
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), -1);

        // Fill to 8 entries numbered by address, then insert after index 5.
        doc.DeleteAllBlocks();
        doc.AddDefaultBlocks(8, 0);
        for (int i = 0; i < 8; ++i)
            doc.ReadBlocks()[i]->m_nAddress = 10 + i;
        doc.SetCurrentIndex(CQZMDoc::List::Read, 5);
        doc.InsertBlock(CQZMDoc::List::Read);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), 6);
        QCOMPARE(doc.ReadBlocks().size(), 9);
        QVERIFY(IsDefaultBlock(doc.ReadBlocks()[6]));
        QCOMPARE(doc.ReadBlocks()[5]->m_nAddress, 15);
        QCOMPARE(doc.ReadBlocks()[7]->m_nAddress, 16);
        QCOMPARE(doc.ReadBlocks()[8]->m_nAddress, 17);
    }

    void deleteMovesCurrentOnlyAtTheEnd()
    {
        CQZMDoc doc;
        doc.AddDefaultBlocks(0, 3);
        for (int i = 0; i < 3; ++i)
            doc.WriteBlocks()[i]->m_nNumber = i;
        // Middle: the index stays and names the next entry.
        doc.SetCurrentIndex(CQZMDoc::List::Write, 1);
        doc.DeleteBlock(CQZMDoc::List::Write);
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), 1);
        QCOMPARE(doc.WriteBlocks()[1]->m_nNumber, 2);
        // Last: the new last becomes current.
        doc.DeleteBlock(CQZMDoc::List::Write);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), 0);
        QCOMPARE(doc.WriteBlocks().size(), 1);
        // Only: the list is empty with index -1.
        doc.DeleteBlock(CQZMDoc::List::Write);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), -1);
        QVERIFY(doc.WriteBlocks().isEmpty());
        // Nothing left: nothing happens.
        doc.SetModifiedFlag(false);
        doc.DeleteBlock(CQZMDoc::List::Write);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), -1);
    }

    void addDefaultBlocksCounts()
    {
        CQZMDoc doc;
        doc.AddDefaultBlocks(0, 3);
        QCOMPARE(doc.ReadBlocks().size(), 0);
        QCOMPARE(doc.WriteBlocks().size(), 3);
        doc.AddDefaultBlocks(-5, -1);
        QCOMPARE(doc.ReadBlocks().size(), 0);
        QCOMPARE(doc.WriteBlocks().size(), 3);
        doc.AddDefaultBlocks(2, 1);
        QCOMPARE(doc.ReadBlocks().size(), 2);
        QCOMPARE(doc.WriteBlocks().size(), 4);
        for (const CBlockMemory* b : doc.WriteBlocks())
            QVERIFY(IsDefaultBlock(b));
        QVERIFY(!doc.IsModified());
        QVERIFY(doc.SetCurrentIndex(CQZMDoc::List::Read, 1));
        doc.DeleteAllBlocks();
        QVERIFY(doc.ReadBlocks().isEmpty() && doc.WriteBlocks().isEmpty());
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), -1);
    }

    void serialPortCommandsAndMark()
    {
        CQZMDoc doc;
        auto state = [&doc](int id) {
            CCmdUI ui(id);
            doc.OnCmdMsg(id, &ui);
            return ui;
        };
        QCOMPARE(state(ID_SERIAL_COM1).m_nCheck, 1);
        QVERIFY(state(ID_SERIAL_COM1).m_bRadio);
        QCOMPARE(state(ID_SERIAL_COM2).m_nCheck, 0);

        QVERIFY(doc.OnCmdMsg(ID_SERIAL_COM1, nullptr));
        QVERIFY(!doc.IsModified());
        QVERIFY(doc.OnCmdMsg(ID_SERIAL_COM3, nullptr));
        QCOMPARE(doc.SerialPort(), 3);
        QVERIFY(doc.IsModified());
        QCOMPARE(state(ID_SERIAL_COM3).m_nCheck, 1);
        QCOMPARE(state(ID_SERIAL_COM1).m_nCheck, 0);
        QVERIFY(state(ID_SERIAL_COM2).m_bEnabled);

        // A port only a file can bring marks no item.
        doc.SetSerialPort(9);
        for (int id = ID_SERIAL_COM1; id <= ID_SERIAL_COM4; ++id)
            QCOMPARE(state(id).m_nCheck, 0);
    }

    void sendAllEnabledOnlyWithBlocks()
    {
        CQZMDoc doc;
        auto enabled = [&doc] {
            CCmdUI ui(ID_SEND_ALL);
            doc.OnCmdMsg(ID_SEND_ALL, &ui);
            return ui.m_bEnabled;
        };
        QVERIFY(!enabled());
        doc.InsertBlock(CQZMDoc::List::Write);
        QVERIFY(enabled());
        doc.DeleteBlock(CQZMDoc::List::Write);
        QVERIFY(!enabled());
        doc.InsertBlock(CQZMDoc::List::Read);
        QVERIFY(enabled());
    }

    void protocolChoiceBringsItsSettings()
    {
        CQZMDoc doc;
        QVERIFY(doc.SetParity(1));
        QVERIFY(doc.SetTimeout(700));
        // Storing a protocol is just that.
        QVERIFY(doc.SetProtocol(1));
        QCOMPARE(doc.Timeout(), 700);
        QVERIFY(!doc.SetProtocol(1));
        // Choosing one applies what it forces or starts from.
        QVERIFY(doc.ChooseProtocol(0));
        QVERIFY(doc.ProtocolFixesSettings());
        QCOMPARE(doc.BaudRate(), 0);
        QCOMPARE(doc.Parity(), 0);
        QCOMPARE(doc.Timeout(), 100);
        QVERIFY(doc.SetParity(2));
        QVERIFY(doc.ChooseProtocol(1));
        QVERIFY(!doc.ProtocolFixesSettings());
        QCOMPARE(doc.BaudRate(), 1);
        QCOMPARE(doc.Parity(), 2);   // MODBUS-RTU keeps the parity
        QCOMPARE(doc.Timeout(), 50);
        // The same choice again changes nothing.
        QVERIFY(doc.SetTimeout(300));
        QVERIFY(!doc.ChooseProtocol(1));
        QCOMPARE(doc.Timeout(), 300);
        // None of it is an edit by itself.
        QVERIFY(!doc.IsModified());
    }

    void listsKeepTheirCurrentIndexAndLimit()
    {
        CQZMDoc doc;
        CBlockMemory block;
        block.m_nAddress = 5;
        QVERIFY(doc.AppendBlock(CQZMDoc::List::Write, block));
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), 0);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), -1);
        QVERIFY(!doc.SetCurrentIndex(CQZMDoc::List::Read, 0));
        QVERIFY(!doc.SetCurrentIndex(CQZMDoc::List::Write, 1));
        QVERIFY(!doc.SetCurrentIndex(CQZMDoc::List::Write, -1));
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), 0);
        QVERIFY(!doc.MoveCurrent(CQZMDoc::List::Read, 1));
        QVERIFY(!doc.MoveCurrent(CQZMDoc::List::Write, -1));

        // A record's new values: only a real change counts, nothing marks.
        block.m_nNumber = 77;
        QVERIFY(doc.SetBlock(CQZMDoc::List::Write, 0, block));
        QVERIFY(!doc.SetBlock(CQZMDoc::List::Write, 0, block));
        QVERIFY(!doc.SetBlock(CQZMDoc::List::Write, 1, block));
        QCOMPARE(doc.WriteBlocks().at(0)->m_nNumber, 77);
        QVERIFY(!doc.IsModified());

        // Every way of adding stops at the limit.
        doc.AddDefaultBlocks(100, 100);
        QCOMPARE(doc.ReadBlocks().size(), QZMFields::kMaxBlocks);
        QCOMPARE(doc.WriteBlocks().size(), QZMFields::kMaxBlocks);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), 0);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), 0);
        QVERIFY(doc.IsFull(CQZMDoc::List::Read));
        QVERIFY(!doc.AppendBlock(CQZMDoc::List::Read, block));
        QVERIFY(!doc.InsertBlock(CQZMDoc::List::Read));
        QVERIFY(!doc.IsModified());
        QVERIFY(doc.MoveCurrent(CQZMDoc::List::Read, 47));
        QVERIFY(!doc.MoveCurrent(CQZMDoc::List::Read, 1));
        QVERIFY(doc.DeleteBlock(CQZMDoc::List::Read));
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), 46);
        QVERIFY(doc.InsertBlock(CQZMDoc::List::Read));
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), 47);
    }

    void fieldTablesNameAndBound()
    {
        using namespace QZMFields;
        QCOMPARE(kProtocols.Names(), QStringList({"Zelvra", "MODBUS-RTU"}));
        QCOMPARE(kBaudRates.Names(), QStringList({"9600", "19200"}));
        QCOMPARE(kParities.Names(), QStringList({"EVEN", "ODD", "NONE"}));
        // A stored value outside a table reads as its last entry.
        QCOMPARE(QByteArray(kProtocols.Name(7)), QByteArray("MODBUS-RTU"));
        QCOMPARE(QByteArray(kParities.Name(-5)), QByteArray("NONE"));
        QCOMPARE(QByteArray(kParities.Name(1)), QByteArray("ODD"));
        QCOMPARE(BaudRateBps(0), 9600);
        QCOMPARE(BaudRateBps(-1), 19200);
        QCOMPARE(kParities.IndexOf(u"ODD"), 1);
        QCOMPARE(kParities.IndexOf(u"odd"), -1);
        QCOMPARE(kProtocols.IndexOf(u""), -1);
        QVERIFY(kAddress.Contains(1) && kAddress.Contains(247) && !kAddress.Contains(0) && !kAddress.Contains(248));
        QVERIFY(kNumber.Contains(0) && kNumber.Contains(9999) && !kNumber.Contains(-1) && !kNumber.Contains(10000));
        QVERIFY(kTimeout.Contains(50) && kTimeout.Contains(1000) && !kTimeout.Contains(49) && !kTimeout.Contains(1001));
        QVERIFY(!kTimeout.Contains(qint64(1) << 32 | 100));
    }

    void blockMemoryAccessors()
    {
        CBlockMemory b;
        QVERIFY(IsDefaultBlock(&b));
        b.m_nAddress = -12;
        b.m_nNumber = 9999;
        QCOMPARE(b.GetAddressText(), QString("-12"));
        QCOMPARE(b.GetNumberText(), QString("9999"));
        b.m_strDescription = "pump\r\nline";
        QCOMPARE(b.GetDescription(), QByteArray("pump\r\nline"));
    }
};

QTEST_GUILESS_MAIN(TestQZMDoc)
#include "tst_qzmdoc.moc"
