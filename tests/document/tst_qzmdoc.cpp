#include "document/QZMDoc.h"
#include "framework/View.h"
#include "resources/Resource.h"
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

bool isDefault(const CBlockMemory* b)
{
    return b && b->m_strDescription.isEmpty() && b->m_nAddress == 1 && b->m_nNumber == 0 && b->m_bParameter == 1;
}
} // namespace

class TestQZMDoc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void constructorAndNewResetDiffer()
    {
        CQZMDoc doc;
        QCOMPARE(doc.m_nProtocol, 0);
        QCOMPARE(doc.m_nTimeout, 100);
        QCOMPARE(doc.m_nParity, 0);
        QCOMPARE(doc.m_nBaudRate, 1);
        QCOMPARE(doc.m_nCurRead, -1);
        QCOMPARE(doc.m_nCurWrite, -1);
        QCOMPARE(doc.m_nSerialPort, 1);
        QVERIFY(doc.m_strDescription.isEmpty());

        RecordingView view;
        doc.AddView(&view);
        doc.m_nSerialPort = 3;
        doc.m_nProtocol = 1;
        doc.m_nTimeout = 500;
        doc.m_nParity = 2;
        doc.m_nBaudRate = 0;
        doc.m_strDescription = "plant";
        doc.InsertBlock(CQZMDoc::List::Read);
        doc.InsertBlock(CQZMDoc::List::Write);
        QVERIFY(doc.IsModified());

        QVERIFY(doc.OnNewDocument());
        QCOMPARE(doc.m_nSerialPort, 3);   // the port survives New
        QCOMPARE(doc.m_nProtocol, 0);
        QCOMPARE(doc.m_nTimeout, 100);
        QCOMPARE(doc.m_nParity, 0);
        QCOMPARE(doc.m_nBaudRate, 1);
        QVERIFY(doc.m_strDescription.isEmpty());
        QVERIFY(doc.m_arrRead.isEmpty() && doc.m_arrWrite.isEmpty());
        QCOMPARE(doc.m_nCurRead, -1);
        QCOMPARE(doc.m_nCurWrite, -1);
        QVERIFY(!doc.IsModified());
        QCOMPARE(view.updates, 1);
        QCOMPARE(view.lastHint, 0);
        QCOMPARE(view.lastObject, nullptr);
    }

    void insertPlacesAfterCurrent()
    {
        CQZMDoc doc;
        doc.InsertBlock(CQZMDoc::List::Read);
        QCOMPARE(doc.m_arrRead.size(), 1);
        QCOMPARE(doc.m_nCurRead, 0);
        QVERIFY(isDefault(doc.m_arrRead[0]));
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.m_nCurWrite, -1);

        // Fill to 8 entries numbered by address, then insert after index 5.
        doc.DeleteAllBlocks();
        doc.AddDefaultBlocks(8, 0);
        for (int i = 0; i < 8; ++i)
            doc.m_arrRead[i]->m_nAddress = 10 + i;
        doc.m_nCurRead = 5;
        doc.InsertBlock(CQZMDoc::List::Read);
        QCOMPARE(doc.m_nCurRead, 6);
        QCOMPARE(doc.m_arrRead.size(), 9);
        QVERIFY(isDefault(doc.m_arrRead[6]));
        QCOMPARE(doc.m_arrRead[5]->m_nAddress, 15);
        QCOMPARE(doc.m_arrRead[7]->m_nAddress, 16);
        QCOMPARE(doc.m_arrRead[8]->m_nAddress, 17);
    }

    void deleteMovesCurrentOnlyAtTheEnd()
    {
        CQZMDoc doc;
        doc.AddDefaultBlocks(0, 3);
        for (int i = 0; i < 3; ++i)
            doc.m_arrWrite[i]->m_nNumber = i;
        // Middle: the index stays and names the next entry.
        doc.m_nCurWrite = 1;
        doc.DeleteBlock(CQZMDoc::List::Write);
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.m_nCurWrite, 1);
        QCOMPARE(doc.m_arrWrite[1]->m_nNumber, 2);
        // Last: the new last becomes current.
        doc.DeleteBlock(CQZMDoc::List::Write);
        QCOMPARE(doc.m_nCurWrite, 0);
        QCOMPARE(doc.m_arrWrite.size(), 1);
        // Only: the list is empty with index -1.
        doc.DeleteBlock(CQZMDoc::List::Write);
        QCOMPARE(doc.m_nCurWrite, -1);
        QVERIFY(doc.m_arrWrite.isEmpty());
        // Nothing left: nothing happens.
        doc.SetModifiedFlag(false);
        doc.DeleteBlock(CQZMDoc::List::Write);
        QCOMPARE(doc.m_nCurWrite, -1);
    }

    void addDefaultBlocksCounts()
    {
        CQZMDoc doc;
        doc.AddDefaultBlocks(0, 3);
        QCOMPARE(doc.m_arrRead.size(), 0);
        QCOMPARE(doc.m_arrWrite.size(), 3);
        doc.AddDefaultBlocks(-5, -1);
        QCOMPARE(doc.m_arrRead.size(), 0);
        QCOMPARE(doc.m_arrWrite.size(), 3);
        doc.AddDefaultBlocks(2, 1);
        QCOMPARE(doc.m_arrRead.size(), 2);
        QCOMPARE(doc.m_arrWrite.size(), 4);
        for (const CBlockMemory* b : doc.m_arrWrite)
            QVERIFY(isDefault(b));
        QVERIFY(!doc.IsModified());
        doc.m_nCurRead = 1;
        doc.DeleteAllBlocks();
        QVERIFY(doc.m_arrRead.isEmpty() && doc.m_arrWrite.isEmpty());
        QCOMPARE(doc.m_nCurRead, 1);   // callers set the indices themselves
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
        QCOMPARE(doc.m_nSerialPort, 3);
        QVERIFY(doc.IsModified());
        QCOMPARE(state(ID_SERIAL_COM3).m_nCheck, 1);
        QCOMPARE(state(ID_SERIAL_COM1).m_nCheck, 0);
        QVERIFY(state(ID_SERIAL_COM2).m_bEnabled);

        // A port only a file can bring marks no item.
        doc.m_nSerialPort = 9;
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

    void blockMemoryAccessors()
    {
        CBlockMemory b;
        QVERIFY(isDefault(&b));
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
