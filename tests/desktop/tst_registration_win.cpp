// The file type in the user's classes of the Windows registry, and the
// Unregister switch taking it and the settings away again.
#include "app/QZMApp.h"
#include "app/ShellRegistration.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include <windows.h>

namespace {
const QString kClasses = QStringLiteral("HKEY_CURRENT_USER\\Software\\Classes");

QString ClassValue(const QString& key)
{
    return QSettings(kClasses, QSettings::NativeFormat).value(key).toString();
}

bool ClassExists(const QString& key)
{
    return QSettings(kClasses, QSettings::NativeFormat).childGroups().contains(key, Qt::CaseInsensitive);
}

// qzm.exe with its drive: the build passes it as this machine spells it.
QString ProgramPath()
{
    return QFileInfo(QStringLiteral(QZM_PROGRAM)).absoluteFilePath();
}

// A path with its short (8.3) parts written out.
QString LongPath(const QString& path)
{
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetLongPathNameW(native.c_str(), buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? QDir::fromNativeSeparators(QString::fromWCharArray(buffer, int(length)))
                                           : path;
}

// The program a command starts: the path before the arguments, as written.
QString CommandProgram(const QString& command)
{
    if (command.startsWith(QLatin1Char('"')))
        return command.mid(1, command.indexOf(QLatin1Char('"'), 1) - 1);
    return command.left(command.indexOf(QLatin1Char(' ')));
}
} // namespace

class TestRegistrationWin : public QObject
{
    Q_OBJECT

    DocTypeInfo m_type;

private slots:
    void initTestCase()
    {
        InitTestEnvironment();
        m_type = DocTypeInfo::FromTemplateString(CStringTable::Load(IDR_MAINFRAME));
    }

    void init()
    {
        QSettings classes(kClasses, QSettings::NativeFormat);
        classes.remove(QStringLiteral("QZM.Document"));
        classes.remove(QStringLiteral(".qzm"));
    }

    void registerWritesTheTypeItsVerbsAndTheExtension()
    {
        CShellRegistration registration(m_type, ProgramPath());
        QVERIFY(registration.Register());

        QCOMPARE(ClassValue("QZM.Document/."), QString("QZM Document"));
        const QString open = ClassValue("QZM.Document/shell/open/command/.");
        QVERIFY2(open.endsWith(" \"%1\""), qPrintable(open));
        const QString program = CommandProgram(open);
        // The short form of the path names the same program.
        QCOMPARE(QFileInfo(LongPath(program)).canonicalFilePath(), QFileInfo(ProgramPath()).canonicalFilePath());
        QCOMPARE(ClassValue("QZM.Document/shell/print/command/."), open.left(open.size() - 5) + " /p \"%1\"");
        QCOMPARE(ClassValue("QZM.Document/shell/printto/command/."),
                 open.left(open.size() - 5) + " /pt \"%1\" \"%2\" \"%3\" \"%4\"");
        // qzm.exe carries the document icon as its second icon.
        QCOMPARE(ClassValue("QZM.Document/DefaultIcon/."), open.left(open.size() - 5) + ",1");
        QCOMPARE(ClassValue(".qzm/."), QString("QZM.Document"));
        QSettings shellNew(kClasses + "\\.qzm\\ShellNew", QSettings::NativeFormat);
        QVERIFY(shellNew.contains("NullFile"));
        QCOMPARE(shellNew.value("NullFile").toString(), QString());

        // A second start finds everything in place.
        QVERIFY(registration.Register());
    }

    void extensionOfAnotherTypeIsLeftAlone()
    {
        {
            QSettings classes(kClasses, QSettings::NativeFormat);
            classes.setValue(".qzm/.", "Other.Type");
        }
        CShellRegistration registration(m_type, ProgramPath());
        QVERIFY(registration.Register());
        QCOMPARE(ClassValue(".qzm/."), QString("Other.Type"));
        QCOMPARE(ClassValue("QZM.Document/."), QString("QZM Document"));

        registration.Unregister();
        QVERIFY(!ClassExists("QZM.Document"));
        QCOMPARE(ClassValue(".qzm/."), QString("Other.Type"));
    }

    void unregisterSwitchRemovesTypeAndSettings()
    {
        CShellRegistration(m_type, ProgramPath()).Register();
        QSettings().setValue("Recent File List/File1", "C:\\plant.qzm");
        QSettings("Zelvra", "Other").setValue("kept", 1);
        {
            ScriptedInteraction interaction;
            CQZMApp app(QStringList{"/Unregister"});
            QCOMPARE(app.Run(), 0);
            QCOMPARE(interaction.MessageTexts(),
                     QStringList({"System registry entries have been removed and the INI file (if any) was deleted."}));
        }
        QVERIFY(!ClassExists("QZM.Document"));
        QVERIFY(!ClassExists(".qzm"));
        QSettings user("HKEY_CURRENT_USER\\Software\\Zelvra", QSettings::NativeFormat);
        QCOMPARE(user.childGroups(), QStringList{"Other"});

        // Nothing else under the maker's key: it goes too.
        user.remove("Other");
        user.sync();
        QSettings().setValue("Recent File List/File1", "C:\\plant.qzm");
        {
            ScriptedInteraction interaction;
            CQZMApp app(QStringList{"/Unregister", "/Embedding"});
            QCOMPARE(app.Run(), 0);
            QVERIFY(interaction.messages.isEmpty());
        }
        QVERIFY(!QSettings("HKEY_CURRENT_USER\\Software", QSettings::NativeFormat).childGroups().contains("Zelvra"));
    }
};

QTEST_MAIN(TestRegistrationWin)
#include "tst_registration_win.moc"
