#include "EditorFixture.h"

#include "editor/ReportPrinting.h"
#include "framework/StandardIds.h"

#include <QAbstractItemView>
#include <QDir>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>

// How the form shows the document, moves through the lists, follows the
// protocol, and prints.
class TestEditorNavigation : public QObject
{
    Q_OBJECT

private:
    static void verifyButtons(const EditorFixture& f, bool preview, bool next, bool insert, bool remove)
    {
        QCOMPARE(f.button(IDC_PREVIEW)->isEnabled(), preview);
        QCOMPARE(f.button(IDC_NEXT)->isEnabled(), next);
        QCOMPARE(f.button(IDC_INSERT)->isEnabled(), insert);
        QCOMPARE(f.button(IDC_DELETE)->isEnabled(), remove);
    }

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void newDocumentShowsDefaults()
    {
        EditorFixture f;
        QVERIFY(f.started);
        QCOMPARE(f.tabs()->currentIndex(), 0);
        QCOMPARE(f.combo(IDC_PROTOCOL)->currentText(), QStringLiteral("Zelvra"));
        QCOMPARE(f.combo(IDC_BAUDRATE)->currentText(), QStringLiteral("19200"));
        QCOMPARE(f.combo(IDC_PARITY)->currentText(), QStringLiteral("EVEN"));
        QCOMPARE(f.timeout()->text(), QStringLiteral("100"));
        for (int id : {IDC_BAUDRATE, IDC_PARITY, IDC_TIMEOUT, IDC_TIMEOUT_SPIN})
            QVERIFY(!f.view()->GetDlgItem(id)->isEnabled());
        QCOMPARE(f.caption(), QStringLiteral("Block Memory - Empty"));
        verifyButtons(f, false, false, true, false);
        for (int id : {IDC_BM_DESCRIPTION, IDC_ADDRESS, IDC_ADDRESS_SPIN, IDC_NUMBER, IDC_NUMBER_SPIN,
                       IDC_BASIC_VARIABLE, IDC_PARAMETER})
            QVERIFY(!f.view()->GetDlgItem(id)->isEnabled());
        QCOMPARE(f.blockDescription()->Text(), QString());
        QCOMPARE(f.address()->text(), QStringLiteral("1"));
        QCOMPARE(f.number()->text(), QStringLiteral("0"));
        QVERIFY(f.radio(IDC_PARAMETER)->isChecked());
        QVERIFY(!f.doc()->IsModified());
        QCOMPARE(f.status(), QStringLiteral("Ready"));
    }

    void insertUpTo48AndDelete()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.click(IDC_INSERT);
        QCOMPARE(f.caption(), QStringLiteral("Block Memory  1"));
        verifyButtons(f, false, false, true, true);
        QVERIFY(f.address()->isEnabled());
        QVERIFY(f.doc()->IsModified());
        QCOMPARE(f.doc()->ReadBlocks().size(), 1);

        for (int i = 2; i <= 47; ++i)
            f.click(IDC_INSERT);
        QCOMPARE(f.doc()->ReadBlocks().size(), 47);
        QVERIFY(f.button(IDC_INSERT)->isEnabled());
        f.click(IDC_INSERT);
        QCOMPARE(f.doc()->ReadBlocks().size(), 48);
        QCOMPARE(f.caption(), QStringLiteral("Block Memory 48"));
        verifyButtons(f, true, false, false, true);
        f.click(IDC_INSERT);
        QCOMPARE(f.doc()->ReadBlocks().size(), 48);
        f.click(IDC_PREVIEW);
        QVERIFY(!f.button(IDC_INSERT)->isEnabled());
        // The Write list has its own limit.
        f.clickTab(1);
        QVERIFY(f.button(IDC_INSERT)->isEnabled());
        f.clickTab(0);
        f.click(IDC_DELETE);
        QCOMPARE(f.doc()->ReadBlocks().size(), 47);
        QVERIFY(f.button(IDC_INSERT)->isEnabled());
        QCOMPARE(f.caption(), QStringLiteral("Block Memory 47"));
    }

    void deleteShowsTheNeighbour()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("three.qzm"));
        WriteTestFile(path, QzmFileBytes({}, {{"a", 11, 1, 1}, {"b", 12, 2, 0}, {"c", 13, 3, 1}}, {}));
        EditorFixture f;
        QVERIFY(f.started);
        QVERIFY(f.app->OpenDocumentFile(path));
        f.click(IDC_NEXT);
        f.click(IDC_NEXT);
        QCOMPARE(f.caption(), QStringLiteral("Block Memory  3"));
        f.click(IDC_DELETE);
        QCOMPARE(f.caption(), QStringLiteral("Block Memory  2"));
        QCOMPARE(f.address()->text(), QStringLiteral("12"));
        QVERIFY(f.radio(IDC_BASIC_VARIABLE)->isChecked());
        QVERIFY(f.doc()->IsModified());
    }

    void deleteInTheMiddleAndTheOnlyEntry()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("three.qzm"));
        WriteTestFile(path, QzmFileBytes({}, {{"a", 11, 1, 1}, {"b", 12, 2, 0}, {"c", 13, 3, 1}}, {{"w", 20, 5, 1}}));
        EditorFixture f;
        QVERIFY(f.started);
        QVERIFY(f.app->OpenDocumentFile(path));
        f.click(IDC_NEXT);
        f.click(IDC_DELETE);
        QCOMPARE(f.caption(), QStringLiteral("Block Memory  2"));
        QCOMPARE(f.address()->text(), QStringLiteral("13"));
        QCOMPARE(f.blockDescription()->Text(), QStringLiteral("c"));
        verifyButtons(f, true, false, true, true);

        f.clickTab(1);
        QCOMPARE(f.caption(), QStringLiteral("Block Memory  1"));
        f.click(IDC_DELETE);
        QCOMPARE(f.caption(), QStringLiteral("Block Memory - Empty"));
        verifyButtons(f, false, false, true, false);
        QVERIFY(!f.address()->isEnabled());
        QCOMPARE(f.address()->text(), QStringLiteral("1"));
        QCOMPARE(f.doc()->CurrentIndex(CQZMDoc::List::Write), -1);
    }

    void previewNextAndTabsKeepTheirEntry()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lists.qzm"));
        QList<FileBlock> read;
        for (int i = 1; i <= 12; ++i)
            read.append({QByteArray("r") + QByteArray::number(i), i, 100 + i, 1});
        const QList<FileBlock> write = {{"w1", 31, 7, 0}, {"w2", 32, 8, 1}};
        WriteTestFile(path, QzmFileBytes({}, read, write));
        EditorFixture f;
        QVERIFY(f.started);
        QVERIFY(f.app->OpenDocumentFile(path));
        QVERIFY(!f.doc()->IsModified());
        QCOMPARE(f.caption(), QStringLiteral("Block Memory  1"));
        verifyButtons(f, false, true, true, true);

        f.click(IDC_NEXT);
        verifyButtons(f, true, true, true, true);
        f.click(IDC_PREVIEW);
        verifyButtons(f, false, true, true, true);
        for (int i = 0; i < 9; ++i)
            f.click(IDC_NEXT);
        QCOMPARE(f.caption(), QStringLiteral("Block Memory 10"));
        QCOMPARE(f.address()->text(), QStringLiteral("10"));
        QCOMPARE(f.number()->text(), QStringLiteral("110"));
        f.click(IDC_NEXT);
        f.click(IDC_NEXT);
        verifyButtons(f, true, false, true, true);

        f.clickTab(1);
        QCOMPARE(f.caption(), QStringLiteral("Block Memory  1"));
        QCOMPARE(f.blockDescription()->Text(), QStringLiteral("w1"));
        QVERIFY(f.radio(IDC_BASIC_VARIABLE)->isChecked());
        f.click(IDC_NEXT);
        QCOMPARE(f.address()->text(), QStringLiteral("32"));
        f.clickTab(0);
        QCOMPARE(f.caption(), QStringLiteral("Block Memory 12"));
        QCOMPARE(f.address()->text(), QStringLiteral("12"));
        f.clickTab(1);
        QCOMPARE(f.caption(), QStringLiteral("Block Memory  2"));
        QCOMPARE(f.blockDescription()->Text(), QStringLiteral("w2"));
        // Edits go to the shown tab's entry.
        f.typeInto(f.address(), QStringLiteral("40"));
        QCOMPARE(f.doc()->WriteBlocks().at(1)->m_nAddress, 40);
        QCOMPARE(f.doc()->ReadBlocks().at(11)->m_nAddress, 12);
        QCOMPARE(f.doc()->CurrentIndex(CQZMDoc::List::Read), 11);
        QCOMPARE(f.doc()->CurrentIndex(CQZMDoc::List::Write), 1);
    }

    void protocolForcesItsSettings()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.choose(IDC_PROTOCOL, 1);
        QVERIFY(f.doc()->IsModified());
        QCOMPARE(f.doc()->Protocol(), 1);
        QCOMPARE(f.doc()->BaudRate(), 1);
        QCOMPARE(f.doc()->Timeout(), 50);
        QCOMPARE(f.timeout()->text(), QStringLiteral("50"));
        for (int id : {IDC_BAUDRATE, IDC_PARITY, IDC_TIMEOUT, IDC_TIMEOUT_SPIN})
            QVERIFY(f.view()->GetDlgItem(id)->isEnabled());
        f.choose(IDC_PARITY, 1);
        f.choose(IDC_BAUDRATE, 0);
        f.typeInto(f.timeout(), QStringLiteral("400"));

        f.choose(IDC_PROTOCOL, 0);
        QCOMPARE(f.combo(IDC_BAUDRATE)->currentText(), QStringLiteral("9600"));
        QCOMPARE(f.combo(IDC_PARITY)->currentText(), QStringLiteral("EVEN"));
        QCOMPARE(f.timeout()->text(), QStringLiteral("100"));
        QCOMPARE(f.doc()->BaudRate(), 0);
        QCOMPARE(f.doc()->Parity(), 0);
        QCOMPARE(f.doc()->Timeout(), 100);
        for (int id : {IDC_BAUDRATE, IDC_PARITY, IDC_TIMEOUT, IDC_TIMEOUT_SPIN})
            QVERIFY(!f.view()->GetDlgItem(id)->isEnabled());

        // Choosing the shown protocol again from the drop-down changes nothing.
        f.doc()->SetModifiedFlag(false);
        QComboBox* protocol = f.combo(IDC_PROTOCOL);
        protocol->showPopup();
        QTRY_VERIFY(protocol->view()->isVisible());
        QTest::keyClick(protocol->view(), Qt::Key_Return);
        QTRY_VERIFY(!protocol->view()->isVisible());
        QCOMPARE(f.doc()->Protocol(), 0);
        QVERIFY(!f.doc()->IsModified());
    }

    void switchingToModbusKeepsTheParity()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zelvra.qzm"));
        FileSettings s;
        s.protocol = 0;
        s.parity = 2;
        s.baudRate = 0;
        WriteTestFile(path, QzmFileBytes(s, {}, {}));
        EditorFixture f;
        QVERIFY(f.started);
        QVERIFY(f.app->OpenDocumentFile(path));
        QCOMPARE(f.combo(IDC_PARITY)->currentText(), QStringLiteral("NONE"));
        f.choose(IDC_PROTOCOL, 1);
        QCOMPARE(f.doc()->Parity(), 2);
        QCOMPARE(f.combo(IDC_PARITY)->currentText(), QStringLiteral("NONE"));
        QCOMPARE(f.combo(IDC_BAUDRATE)->currentText(), QStringLiteral("19200"));
    }

    void loadedFileIsShownUnmodified()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fast.qzm"));
        FileSettings s;
        s.protocol = 1;
        s.timeout = 50;
        s.baudRate = 0;
        s.description = "line 1\r\nline 2";
        WriteTestFile(path, QzmFileBytes(s, {{"first", 17, 1234, 0}}, {{"out", 99, 4321, 1}}));

        // Named on the command line: the set-up's "100" never reaches it.
        {
            const QString cwd = QDir::currentPath();
            QDir::setCurrent(dir.path());
            EditorFixture f(QStringList{QStringLiteral("fast.qzm")});
            QDir::setCurrent(cwd);
            QVERIFY(f.started);
            QCOMPARE(f.timeout()->text(), QStringLiteral("50"));
            QCOMPARE(f.doc()->Timeout(), 50);
            QVERIFY(!f.doc()->IsModified());
            QCOMPARE(f.number()->text(), QStringLiteral("1234"));
            QCOMPARE(f.description()->Text(), QStringLiteral("line 1\nline 2"));
            QCOMPARE(f.combo(IDC_BAUDRATE)->currentText(), QStringLiteral("9600"));
        }

        // Opened with the Write tab showing: ends on Read, Write untouched.
        EditorFixture f;
        QVERIFY(f.started);
        f.clickTab(1);
        QVERIFY(f.app->OpenDocumentFile(path));
        QCOMPARE(f.tabs()->currentIndex(), 0);
        QCOMPARE(f.tabs()->count(), 2);
        QCOMPARE(f.address()->text(), QStringLiteral("17"));
        QCOMPARE(f.blockDescription()->Text(), QStringLiteral("first"));
        QVERIFY(f.radio(IDC_BASIC_VARIABLE)->isChecked());
        QCOMPARE(f.timeout()->text(), QStringLiteral("50"));
        QVERIFY(!f.doc()->IsModified());
        const CBlockMemory* out = f.doc()->WriteBlocks().at(0);
        QCOMPARE(out->m_nAddress, 99);
        QCOMPARE(out->m_nNumber, 4321);
        QCOMPARE(out->m_strDescription, QByteArray("out"));

        // New resets the form without a second pair of tabs.
        f.app->OnFileNew();
        QCOMPARE(f.tabs()->count(), 2);
        QCOMPARE(f.timeout()->text(), QStringLiteral("100"));
        QCOMPARE(f.caption(), QStringLiteral("Block Memory - Empty"));
        QVERIFY(!f.doc()->IsModified());
    }

    void newDocumentWhileASettingHasTheFocus()
    {
        // The refresh disables the focused control; losing the focus then
        // must not carry the old document's value into the new one.
        for (int id : {IDC_TIMEOUT, IDC_BAUDRATE}) {
            EditorFixture f;
            QVERIFY(f.started);
            f.choose(IDC_PROTOCOL, 1);
            f.choose(IDC_BAUDRATE, 0);
            f.typeInto(f.timeout(), QStringLiteral("120"));
            f.view()->GetDlgItem(id)->setFocus();
            QVERIFY(f.view()->GetDlgItem(id)->hasFocus());
            f.interaction.QueueAnswer(MsgAnswer::No);
            f.app->OnFileNew();
            QVERIFY(!f.view()->GetDlgItem(id)->isEnabled());
            QCOMPARE(f.doc()->Timeout(), 100);
            QCOMPARE(f.doc()->BaudRate(), 1);
            QVERIFY(!f.doc()->IsModified());
            QCOMPARE(f.timeout()->text(), QStringLiteral("100"));
        }
    }

    void refreshWithAnotherBlockChangesNothing()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.click(IDC_INSERT);
        f.doc()->SetModifiedFlag(false);
        CBlockMemory other;
        other.m_nAddress = 200;
        other.m_nNumber = 5000;
        other.m_strDescription = "elsewhere";
        f.doc()->UpdateAllViews(nullptr, 0, &other);
        QCOMPARE(f.address()->text(), QStringLiteral("200"));
        QCOMPARE(f.number()->text(), QStringLiteral("5000"));
        QCOMPARE(f.current()->m_nAddress, 1);
        QCOMPARE(f.current()->m_nNumber, 0);
        QVERIFY(f.current()->m_strDescription.isEmpty());
        QVERIFY(!f.doc()->IsModified());
    }

    void printCommandsGoThroughTheView()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.frame()->UpdateCommandStates();
        for (int id : {ID_FILE_PRINT, ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_PREVIEW}) {
            CCmdUI ui(id);
            QVERIFY(f.view()->OnCmdMsg(id, &ui));
            QVERIFY(ui.m_bEnabled);
        }
        f.interaction.QueuePrint(false);
        QVERIFY(f.frame()->SendCommand(ID_FILE_PRINT));
        QCOMPARE(f.interaction.printDialogs.size(), 1);
        QVERIFY(f.interaction.printDialogs.at(0).showDialog);

        int previewPages = -1;
        f.interaction.SetModalHandler([&previewPages](QWidget* dialog) {
            if (auto* preview = dialog->findChild<QPrintPreviewWidget*>()) {
                preview->updatePreview();
                previewPages = preview->pageCount();
            }
            return 0;
        });
        QVERIFY(f.frame()->SendCommand(ID_FILE_PRINT_PREVIEW));
        QCOMPARE(previewPages, 1);
    }

    void printedPagesHoldTheReport()
    {
        QTemporaryDir dir;
        EditorFixture f;
        QVERIFY(f.started);
        QPrinter small(QPrinter::ScreenResolution);
        small.setOutputFormat(QPrinter::PdfFormat);
        small.setOutputFileName(dir.filePath(QStringLiteral("new.pdf")));
        QCOMPARE(PrintReportPages(small, *f.doc()), 1);
        QVERIFY(ReadTestFile(dir.filePath(QStringLiteral("new.pdf"))).startsWith("%PDF"));

        f.doc()->AddDefaultBlocks(48, 48);
        QPrinter large(QPrinter::ScreenResolution);
        large.setOutputFormat(QPrinter::PdfFormat);
        large.setOutputFileName(dir.filePath(QStringLiteral("full.pdf")));
        const int pages = PrintReportPages(large, *f.doc());
        // 96 entries of six lines each do not fit one page.
        QVERIFY2(pages > 3, qPrintable(QString::number(pages)));
    }
};

QTEST_MAIN(TestEditorNavigation)
#include "tst_editornavigation.moc"
