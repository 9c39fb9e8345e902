#include "framework/RecentFileList.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The list keeps full names: on Windows "/a/x.qzm" gains the current drive.
QString Native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}
} // namespace

class TestRecentFileList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void addKeepsMostRecentFirstWithoutDuplicates()
    {
        CRecentFileList list(4, "Recent File List", "File%1", 30);
        QVERIFY(list.IsEmpty());
        for (const char* name : {"/a/one.qzm", "/a/two.qzm", "/a/three.qzm", "/a/four.qzm"})
            list.Add(name);
        QCOMPARE(list[0], Native("/a/four.qzm"));
        QCOMPARE(list[3], Native("/a/one.qzm"));

        // A fifth distinct file drops the oldest.
        list.Add("/a/five.qzm");
        QCOMPARE(list[0], Native("/a/five.qzm"));
        QCOMPARE(list[3], Native("/a/two.qzm"));

        // Re-adding a listed file moves it to the top, nothing falls off.
        list.Add("/a/three.qzm");
        QCOMPARE(list[0], Native("/a/three.qzm"));
        QCOMPARE(list[1], Native("/a/five.qzm"));
        QCOMPARE(list[2], Native("/a/four.qzm"));
        QCOMPARE(list[3], Native("/a/two.qzm"));

        // A relative name is made a full path.
        list.Add("rel.qzm");
        QCOMPARE(list[0], QDir::toNativeSeparators(QDir::current().absoluteFilePath("rel.qzm")));

        // Removing shifts the rest up and empties the last place.
        list.Remove(0);
        QCOMPARE(list[0], Native("/a/three.qzm"));
        QVERIFY(list[3].isEmpty());
        list.Remove(7);   // out of range: nothing happens
        QCOMPARE(list.GetSize(), 4);
    }

    void displayNamesFollowTheShorteningRules_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("expected");
        QTest::newRow("current folder") << "C:\\work\\plant.qzm" << "C:\\work" << "plant.qzm";
        QTest::newRow("short full path") << "C:\\data\\plant.qzm" << "C:\\work" << "C:\\data\\plant.qzm";
        QTest::newRow("exactly 30") << "C:\\abcdefghijklmnopqrst\\x.qzm" << "" << "C:\\abcdefghijklmnopqrst\\x.qzm";
        QTest::newRow("long keeps root and tail")
            << "C:\\projects\\customers\\north\\plant\\line1.qzm" << "" << "C:\\...\\north\\plant\\line1.qzm";
        QTest::newRow("unc root")
            << "\\\\server\\share\\projects\\customers\\plant.qzm" << "" << "\\\\server\\share\\...\\plant.qzm";
        QTest::newRow("name alone when nothing fits")
            << "C:\\folder\\averyveryveryverylongfilename.qzm" << "" << "averyveryveryverylongfilename.qzm";
    }

    void displayNamesFollowTheShorteningRules()
    {
        QFETCH(QString, path);
        QFETCH(QString, current);
        QFETCH(QString, expected);
        const QString shown = CRecentFileList::DisplayName(path, current, 30, QLatin1Char('\\'));
        QCOMPARE(shown, expected);
        QVERIFY(shown.size() <= 30 || shown == path.section('\\', -1));
    }

    void unixPathsShortenWithSlash()
    {
        QCOMPARE(CRecentFileList::DisplayName("/home/tech/projects/customers/plant.qzm", "/tmp", 30, '/'),
                 QString("/.../customers/plant.qzm"));
        QCOMPARE(CRecentFileList::DisplayName("/tmp/a.qzm", "/tmp/", 30, '/'), QString("a.qzm"));
    }

    void menuTextNumbersAndDoublesAmpersands()
    {
        CRecentFileList list(4, "Recent File List", "File%1", 30);
        QTemporaryDir dir;
        list.Add(dir.filePath("R&D.qzm"));
        QCOMPARE(list.GetMenuText(0, dir.path()), QString("&1 R&&D.qzm"));
        QVERIFY(list.GetMenuText(1, dir.path()).isEmpty());
    }

    void persistsInItsSection()
    {
        QSettings settings;
        settings.setValue("Recent File List/File4", "/stale/entry.qzm");
        settings.setValue("Recent File List/Extra", "junk");
        CRecentFileList list(4, "Recent File List", "File%1", 30);
        list.Add("/x/first.qzm");
        list.Add("/x/second.qzm");
        list.WriteList(settings);
        settings.sync();
        // The section is emptied, then only non-empty entries are written.
        QCOMPARE(settings.value("Recent File List/File1").toString(), Native("/x/second.qzm"));
        QCOMPARE(settings.value("Recent File List/File2").toString(), Native("/x/first.qzm"));
        QVERIFY(!settings.contains("Recent File List/File3"));
        QVERIFY(!settings.contains("Recent File List/File4"));
        QVERIFY(!settings.contains("Recent File List/Extra"));

        CRecentFileList reread(4, "Recent File List", "File%1", 30);
        reread.ReadList(settings);
        QCOMPARE(reread[0], list[0]);
        QCOMPARE(reread[1], list[1]);
        QVERIFY(reread[2].isEmpty());
    }

    void samePathFollowsTheFileSystemsCase()
    {
        QVERIFY(CRecentFileList::SamePath("/a/b/../c.qzm", "/a/c.qzm"));
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
        QVERIFY(CRecentFileList::SamePath("C:/A/X.QZM", "c:/a/x.qzm"));
#else
        QVERIFY(!CRecentFileList::SamePath("/a/X.qzm", "/a/x.qzm"));
#endif
    }
};

QTEST_GUILESS_MAIN(TestRecentFileList)
#include "tst_recentfilelist.moc"
