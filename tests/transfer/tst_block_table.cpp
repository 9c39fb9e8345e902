// View > Block Memory Table: spreadsheet paste sent to qzm-sim, table edits
// with the form's limits, and undo and redo from the keyboard.
#include "SimProcess.h"

#include "app/QZMApp.h"
#include "editor/BlockRows.h"
#include "editor/BlockTableWnd.h"
#include "editor/QZMView.h"
#include "frame/MainFrame.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

namespace {
struct Row
{
    QString description;
    int address;
    bool parameter;
    int number;
};

QList<Row> SpreadsheetRows()
{
    QList<Row> rows;
    for (int i = 0; i < 48; ++i)
        rows << Row{QStringLiteral("Sensor %1").arg(i + 1), 1 + i * 5 % 247, i % 3 != 0, i * 208};
    rows[4].description = QStringLiteral("Tank\t5, \"north\"");
    rows[7].description = QStringLiteral("Two\nlines");
    return rows;
}

// As a spreadsheet copies them: a header, CR LF, quoted cells where needed,
// and the kinds spelt in the words of the form as well.
QString SpreadsheetText(const QList<Row>& rows)
{
    QString text = QStringLiteral("Description\tAddress\tP/VB\tNumber\r\n");
    const char* kinds[2][2] = {{"VB", "Basic Variable"}, {"P", "parameter"}};
    for (int i = 0; i < rows.size(); ++i) {
        QString description = rows[i].description;
        if (description.contains(QLatin1Char('\t')) || description.contains(QLatin1Char('\n')))
            description = QLatin1Char('"') + description.replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
        text += QStringLiteral("%1\t%2\t%3\t%4\r\n").arg(description).arg(rows[i].address)
                    .arg(QLatin1String(kinds[rows[i].parameter][i % 2])).arg(rows[i].number);
    }
    return text;
}

// 02 04, address, kind, number low and high, 03, and the exclusive OR.
QString BlockTelegram(const Row& row)
{
    const quint8 data[4] = {quint8(row.address), quint8(row.parameter), quint8(row.number & 0xff), quint8(row.number >> 8)};
    quint8 bcc = 0x04;
    QString hex = QStringLiteral("02 04");
    for (quint8 byte : data) {
        bcc ^= byte;
        hex += QStringLiteral(" %1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
    return hex + QStringLiteral(" 03 %1").arg(bcc, 2, 16, QLatin1Char('0')).toUpper();
}

CBlockTableWnd* OpenTable(CQZMApp& app)
{
    app.GetMainFrame()->SendCommand(ID_VIEW_BLOCK_TABLE);
    CBlockTableWnd* table = app.GetBlockTable();
    if (table && QTest::qWaitForWindowExposed(table)) {
        table->activateWindow();
        if (QTest::qWaitForWindowActive(table))
            return table;
    }
    return nullptr;
}

QByteArray Description(const CQZMDoc& doc, int i)
{
    return doc.ReadBlocks().at(i)->m_strDescription;
}
} // namespace

class TestBlockTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void pastedSpreadsheetRowsReachTheDevice()
    {
        SimProcess sim;
        QVERIFY(sim.Start());
        qputenv("QZM_COM1", sim.Port().toLocal8Bit());
        ScriptedInteraction interaction;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CQZMDoc* doc = app.GetQZMDoc();
        CBlockTableWnd* table = OpenTable(app);
        QVERIFY(table);
        QTableView* read = table->Table(CQZMDoc::List::Read);
        const QList<Row> rows = SpreadsheetRows();

        // All or nothing: one bad cell, or one row too many, changes nothing.
        QString bad = SpreadsheetText(rows);
        bad.replace(QStringLiteral("Sensor 3\t11"), QStringLiteral("Sensor 3\t248"));
        QApplication::clipboard()->setText(bad);
        QTest::keyClick(read, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(interaction.MessageTexts(), QStringList{QStringLiteral("Nothing was pasted.\nRow 4, column 2 "
                                                                        "(Address in network): Invalid address! Range: 1 ... 247")});
        QApplication::clipboard()->setText(SpreadsheetText(rows) + QStringLiteral("Extra\t1\tP\t1\r\n"));
        QTest::keyClick(read, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(interaction.messages.size(), 2);
        QVERIFY(interaction.messages[1].text.contains(QStringLiteral("at most 48")));
        QVERIFY(doc->ReadBlocks().isEmpty());
        QVERIFY(!doc->IsModified());

        QApplication::clipboard()->setText(SpreadsheetText(rows));
        QTest::keyClick(read, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(interaction.messages.size(), 2);
        QCOMPARE(doc->ReadBlocks().size(), 48);
        QVERIFY(doc->IsModified());
        QCOMPARE(Description(*doc, 4), QByteArray("Tank\t5, \"north\""));
        QCOMPARE(Description(*doc, 7), QByteArray("Two\r\nlines"));
        app.GetMainFrame()->UpdateCommandStates();
        QVERIFY(app.GetMainFrame()->FindCommandAction(ID_SEND_ALL)->isEnabled());

        // Copied rows paste back as the same entries, here into the Write list.
        read->selectionModel()->select(QItemSelection(read->model()->index(4, 0), read->model()->index(7, 4)),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QTest::keyClick(read, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral("\"Tank\t5, \"\"north\"\"\"\t21\tP\t832\n")));
        table->findChild<QTabWidget*>()->setCurrentIndex(1);
        QTest::keyClick(table->Table(CQZMDoc::List::Write), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(doc->WriteBlocks().size(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(*doc->WriteBlocks().at(i), *doc->ReadBlocks().at(4 + i));
        // Comma-separated, with a quoted comma.
        const BlockRowsParse csv = ParseBlockRows(QStringLiteral("Description,Address,Kind,Number\n\"Pump, P3\",17,VB,2048\n"));
        QCOMPARE(csv.error, QString());
        QCOMPARE(csv.blocks.size(), 1);
        QCOMPARE(csv.blocks[0].m_strDescription, QByteArray("Pump, P3"));
        QCOMPARE(csv.blocks[0].m_bParameter, 0);

        interaction.QueueAnswer(MsgAnswer::No);   // Save changes? No.
        QVERIFY(app.GetMainFrame()->SendCommand(ID_SEND_ALL));
        const QJsonObject received = sim.Received();
        const QJsonArray exchanges = received[QStringLiteral("exchanges")].toArray();
        QCOMPARE(exchanges.size(), 3 + 48 + 4);
        for (int i = 0; i < 52; ++i)
            QCOMPARE(exchanges[3 + i].toObject()[QStringLiteral("telegram")].toString(),
                     BlockTelegram(rows[i < 48 ? i : i - 44]));
        qunsetenv("QZM_COM1");
    }

    void deleteUndoRedoFromTheKeyboard()
    {
        ScriptedInteraction interaction;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        QVERIFY(app.OpenDocumentFile(QStringLiteral(QZM_EXAMPLE_PATH), false));
        CQZMDoc* doc = app.GetQZMDoc();
        CMainFrame* frame = app.GetMainFrame();
        CQZMView* view = app.GetView();
        CBlockTableWnd* table = OpenTable(app);
        QVERIFY(table);
        QTableView* read = table->Table(CQZMDoc::List::Read);
        auto* address = static_cast<QLineEdit*>(view->GetDlgItem(IDC_ADDRESS));

        // The row chosen with the keyboard is the form's entry.
        QCOMPARE(read->currentIndex().row(), 0);
        QTest::keyClick(read, Qt::Key_Down);
        const CQZMDoc::Contents saved = doc->GetContents();
        QVERIFY(saved.read.size() >= 3);
        QVERIFY(!doc->IsModified());
        QCOMPARE(doc->CurrentIndex(CQZMDoc::List::Read), 1);
        QCOMPARE(address->text(), saved.read[1].GetAddressText());

        QTest::keyClick(read, Qt::Key_Delete);
        QCOMPARE(doc->ReadBlocks().size(), saved.read.size() - 1);
        QCOMPARE(*doc->ReadBlocks().at(1), saved.read[2]);
        QVERIFY(doc->IsModified());
        QVERIFY(frame->IndicatorText(0).contains(QStringLiteral("Ctrl+Z")));

        QTest::keyClick(read, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc->GetContents(), saved);
        QVERIFY(!doc->IsModified());
        QTest::keyClick(read, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(doc->ReadBlocks().size(), saved.read.size() - 1);
        QVERIFY(doc->IsModified());

        // The main window's keys reach the same history.
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QTest::keyClick(frame, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc->GetContents(), saved);
        QVERIFY(!doc->IsModified());
        QTest::keyClick(frame, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(doc->ReadBlocks().size(), saved.read.size() - 1);
        QVERIFY(doc->IsModified());

        // Typing in a field: the field's own undo comes first, then the
        // document's steps.
        address->setFocus();
        address->selectAll();
        QTest::keyClicks(address, QStringLiteral("7"));
        QCOMPARE(doc->ReadBlocks().at(1)->m_nAddress, 7);
        QTest::keyClick(address, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(address->text(), saved.read[2].GetAddressText());
        QCOMPARE(*doc->ReadBlocks().at(1), saved.read[2]);
        QTest::keyClick(address, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc->GetContents(), saved);
        QVERIFY(!doc->IsModified());

        // A cell refuses what the form refuses, with its message, and the
        // refusal is no step.
        table->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(table));
        const CQZMDoc::Contents before = doc->GetContents();
        const QModelIndex cell = read->model()->index(0, CBlockTableModel::AddressColumn);
        read->setCurrentIndex(cell);
        read->edit(cell);
        auto* editor = read->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("2489"));
        QCOMPARE(editor->text(), QStringLiteral("248"));
        QTest::keyClick(editor, Qt::Key_Return);
        // The view hands the value in once the key is through.
        QCoreApplication::sendPostedEvents();
        QCOMPARE(interaction.MessageTexts(), QStringList{FormatPrintfMessage(IDS_INVALID_ADDRESS, {"1", "247"})});
        QCOMPARE(doc->GetContents().read, before.read);
        QCOMPARE(read->model()->data(cell).toString(), before.read[0].GetAddressText());

        // Held by Send All: no change from the table, no undo.
        {
            const CDocument::CHold hold(*doc);
            QTest::keyClick(read, Qt::Key_Delete);
            QTest::keyClick(read, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(doc->GetContents().read, before.read);
        }

        // New starts a fresh history.
        interaction.QueueAnswer(MsgAnswer::No);
        QVERIFY(frame->SendCommand(ID_FILE_NEW));
        QVERIFY(!view->History()->CanUndo());
        QCOMPARE(table->Model(CQZMDoc::List::Read)->rowCount(), 0);
    }

    void formAndTableFollowEachOtherAndEveryChangeUndoes()
    {
        ScriptedInteraction interaction;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        QVERIFY(app.OpenDocumentFile(QStringLiteral(QZM_EXAMPLE_PATH), false));
        CQZMDoc* doc = app.GetQZMDoc();
        CMainFrame* frame = app.GetMainFrame();
        CQZMView* view = app.GetView();
        CBlockTableWnd* table = OpenTable(app);
        QVERIFY(table);
        QTableView* read = table->Table(CQZMDoc::List::Read);
        const QList<CBlockMemory> loaded = doc->GetContents().read;

        // Moving in the form selects the row; the form's tab is the table's.
        static_cast<QPushButton*>(view->GetDlgItem(IDC_NEXT))->click();
        QCOMPARE(read->currentIndex().row(), 1);
        view->ShowList(CQZMDoc::List::Write);
        QCOMPARE(table->CurrentList(), CQZMDoc::List::Write);
        view->ShowList(CQZMDoc::List::Read);

        // Insert after the selected row, move it up, and undo both.
        QTest::keyClick(read, Qt::Key_Insert);
        QCOMPARE(doc->ReadBlocks().size(), loaded.size() + 1);
        QCOMPARE(doc->CurrentIndex(CQZMDoc::List::Read), 2);
        QCOMPARE(*doc->ReadBlocks().at(2), CBlockMemory());
        QTest::keyClick(read, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(*doc->ReadBlocks().at(1), CBlockMemory());
        QCOMPARE(*doc->ReadBlocks().at(2), loaded[1]);
        QCOMPARE(read->currentIndex().row(), 1);
        QTest::keyClick(read, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(*doc->ReadBlocks().at(1), loaded[1]);
        QTest::keyClick(read, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc->GetContents().read, loaded);
        QVERIFY(!doc->IsModified());

        // The form's choices and the COM port are steps too; undoing past a
        // save marks the document modified, redoing back to it clears it.
        auto* parity = static_cast<QComboBox*>(view->GetDlgItem(IDC_PARITY));
        parity->setCurrentIndex(2);
        emit parity->activated(2);
        QCOMPARE(doc->Parity(), 2);
        QVERIFY(frame->SendCommand(ID_SERIAL_COM3));
        QCOMPARE(doc->SerialPort(), 3);
        const QString copy = QDir(m_dir.path()).filePath(QStringLiteral("copy.qzm"));
        QVERIFY(doc->DoSave(copy));
        QVERIFY(!doc->IsModified());
        QVERIFY(table->History()->Undo());
        QCOMPARE(doc->SerialPort(), 1);
        QVERIFY(doc->IsModified());
        QVERIFY(table->History()->Undo());
        QCOMPARE(doc->Parity(), 0);
        QCOMPARE(parity->currentIndex(), 0);
        QVERIFY(table->History()->Redo());
        QVERIFY(table->History()->Redo());
        QCOMPARE(doc->SerialPort(), 3);
        QVERIFY(!doc->IsModified());

        // Each bad cell is named with its row, column and reason.
        const QString rows[] = {QStringLiteral("a\t1\tX\t5"), QStringLiteral("a\t1\tP\t10000"),
                                QStringLiteral("a\t1\tP")};
        for (const QString& bad : rows)
            QVERIFY(!table->PasteRows(bad));
        QCOMPARE(interaction.MessageTexts(),
                 QStringList({QStringLiteral("Nothing was pasted.\nRow 1, column 3 (P or VB): \"X\" is neither P "
                                             "(Parameter) nor VB (Basic Variable)"),
                              QStringLiteral("Nothing was pasted.\nRow 1, column 4 (Number): \"10000\" is not a "
                                             "number from 0 to 9999"),
                              QStringLiteral("Nothing was pasted.\nRow 1: 3 columns where 4 are needed: Description, "
                                             "Address in network, P or VB, Number")}));
        QCOMPARE(doc->ReadBlocks().size(), loaded.size());
    }

private:
    QTemporaryDir m_dir;
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TestBlockTable test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_block_table.moc"
