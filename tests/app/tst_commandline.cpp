#include "app/CommandLineInfo.h"

#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parses_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("printer");
        QTest::addColumn<bool>("embedded");

        using C = CCommandLineInfo;
        QTest::newRow("nothing") << QStringList{} << int(C::FileNew) << "" << QStringList{"", "", ""} << false;
        QTest::newRow("file") << QStringList{"plant.qzm"} << int(C::FileOpen) << "plant.qzm"
                              << QStringList{"", "", ""} << false;
        QTest::newRow("second parameter ignored") << QStringList{"a.qzm", "b.qzm"} << int(C::FileOpen) << "a.qzm"
                                                  << QStringList{"", "", ""} << false;
        QTest::newRow("print") << QStringList{"/p", "a.qzm"} << int(C::FilePrint) << "a.qzm"
                               << QStringList{"", "", ""} << false;
        QTest::newRow("upper P is ignored") << QStringList{"/P", "a.qzm"} << int(C::FileOpen) << "a.qzm"
                                            << QStringList{"", "", ""} << false;
        QTest::newRow("print to") << QStringList{"-pt", "a.qzm", "Laser", "drv", "LPT1", "extra"}
                                  << int(C::FilePrintTo) << "a.qzm" << QStringList{"Laser", "drv", "LPT1"} << false;
        QTest::newRow("print to with an empty driver")
            << QStringList{"/pt", "a.qzm", "Laser", "", "LPT1"} << int(C::FilePrintTo) << "a.qzm"
            << QStringList{"Laser", "", "LPT1"} << false;
        QTest::newRow("printer names only after the print-to switch")
            << QStringList{"a.qzm", "early", "/pt", "Laser", "drv", "LPT1"} << int(C::FilePrintTo) << "a.qzm"
            << QStringList{"Laser", "drv", "LPT1"} << false;
        QTest::newRow("empty first parameter is the (empty) file name")
            << QStringList{"", "b.qzm"} << int(C::FileNew) << "" << QStringList{"", "", ""} << false;
        QTest::newRow("PT is not print to") << QStringList{"/PT", "a.qzm", "Laser"} << int(C::FileOpen) << "a.qzm"
                                            << QStringList{"", "", ""} << false;
        QTest::newRow("dde") << QStringList{"/dde"} << int(C::FileDDE) << "" << QStringList{"", "", ""} << false;
        QTest::newRow("DDE ignored") << QStringList{"/DDE"} << int(C::FileNew) << "" << QStringList{"", "", ""}
                                     << false;
        QTest::newRow("unregister any case") << QStringList{"/UNREGISTER"} << int(C::AppUnregister) << ""
                                             << QStringList{"", "", ""} << false;
        QTest::newRow("unregserver") << QStringList{"-unregServer"} << int(C::AppUnregister) << ""
                                     << QStringList{"", "", ""} << false;
        QTest::newRow("embedding with unregister") << QStringList{"/Unregister", "/EMBEDDING"}
                                                   << int(C::AppUnregister) << "" << QStringList{"", "", ""} << true;
        QTest::newRow("embedding starts as usual") << QStringList{"/Embedding", "x.qzm"} << int(C::FileOpen)
                                                   << "x.qzm" << QStringList{"", "", ""} << true;
        QTest::newRow("unknown switch") << QStringList{"/verbose", "x.qzm"} << int(C::FileOpen) << "x.qzm"
                                        << QStringList{"", "", ""} << false;
#ifndef Q_OS_WIN
        QTest::newRow("absolute path is a file") << QStringList{"/home/tech/x.qzm"} << int(C::FileOpen)
                                                 << "/home/tech/x.qzm" << QStringList{"", "", ""} << false;
        QTest::newRow("print absolute path") << QStringList{"/p", "/srv/a.qzm"} << int(C::FilePrint)
                                             << "/srv/a.qzm" << QStringList{"", "", ""} << false;
#endif
        QTest::newRow("quoted name kept for the opener")
            << QStringList{"\"my plant.qzm\""} << int(C::FileOpen) << "\"my plant.qzm\"" << QStringList{"", "", ""}
            << false;
    }

    void parses()
    {
        QFETCH(QStringList, args);
        QFETCH(int, command);
        QFETCH(QString, file);
        QFETCH(QStringList, printer);
        QFETCH(bool, embedded);
        const CCommandLineInfo info = CCommandLineInfo::Parse(args);
        QCOMPARE(int(info.m_nShellCommand), command);
        QCOMPARE(info.m_strFileName, file);
        QCOMPARE(info.m_strPrinterName, printer[0]);
        QCOMPARE(info.m_strDriverName, printer[1]);
        QCOMPARE(info.m_strPortName, printer[2]);
        QCOMPARE(info.m_bRunEmbedded, embedded);
    }

    void automationFlag()
    {
        QVERIFY(CCommandLineInfo::Parse({"/automation"}).m_bRunAutomated);
        QCOMPARE(int(CCommandLineInfo::Parse({"/automation"}).m_nShellCommand), int(CCommandLineInfo::FileNew));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
