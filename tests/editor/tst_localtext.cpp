// Descriptions are bytes in the locale's own encoding, not always UTF-8.
#include "EditorFixture.h"

#include "framework/LocalText.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <clocale>

class TestLocalText : public QObject
{
    Q_OBJECT

    QTemporaryDir m_locales;

    // Typed text, letters beyond ASCII included.
    static void Type(QWidget* widget, const QString& text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QByteArray m_savedLocale;

    // A Latin-1 locale made for this test, so none needs to be installed.
    bool UseLatin1Locale()
    {
        const QString localedef = QStandardPaths::findExecutable(QStringLiteral("localedef"));
        if (localedef.isEmpty() || !QFile::exists(QStringLiteral("/usr/share/i18n/locales/de_DE")))
            return false;
        const QString target = m_locales.filePath(QStringLiteral("de_DE.ISO-8859-1"));
        if (!QFileInfo::exists(target)) {
            QProcess p;
            p.start(localedef, {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                                QStringLiteral("ISO-8859-1"), target});
            if (!p.waitForFinished(60000) || !QFileInfo::exists(target))
                return false;
        }
        qputenv("LOCPATH", QFile::encodeName(m_locales.path()));
        return std::setlocale(LC_ALL, "de_DE.ISO-8859-1") != nullptr;
    }

private slots:
    void initTestCase() { m_savedLocale = std::setlocale(LC_ALL, nullptr); }
    void cleanup()
    {
        std::setlocale(LC_ALL, m_savedLocale.constData());
        qunsetenv("LOCPATH");
    }

    void namedCodesets()
    {
        QCOMPARE(CodesetBytesToText("K\xfchler", "ISO-8859-1"), QStringLiteral("K\u00fchler"));
        QCOMPARE(TextToCodesetBytes(QStringLiteral("K\u00fchler"), "ISO-8859-1"), QByteArray("K\xfchler"));
        // What the codeset cannot hold becomes '?', one for each character.
        QCOMPARE(TextToCodesetBytes(QStringLiteral("5 \u20ac \U0001F600."), "ISO-8859-1"), QByteArray("5 ? ?."));
        QCOMPARE(TextToCodesetBytes(QStringLiteral("5 \u20ac"), "ISO-8859-15"), QByteArray("5 \xa4"));
        QCOMPARE(CodesetBytesToText("5 \xa4", "ISO-8859-15"), QStringLiteral("5 \u20ac"));
        // A multibyte codeset: a byte it cannot read stands as one U+FFFD.
        QCOMPARE(CodesetBytesToText("a\x81\x40z", "SHIFT_JIS"), QStringLiteral("a\u3000z"));
        QCOMPARE(CodesetBytesToText("a\xa0z", "SHIFT_JIS").size(), 3);
        QCOMPARE(CodesetBytesToText("a\xa0z", "SHIFT_JIS").at(1), QChar(0xfffd));
        QCOMPARE(CodesetBytesToText("a\x81", "SHIFT_JIS"), QStringLiteral("a\ufffd"));
        // UTF-8 and the C locale's ASCII go as UTF-8; so does an unknown codeset.
        QCOMPARE(CodesetBytesToText("K\xc3\xbchler", "UTF-8"), QStringLiteral("K\u00fchler"));
        QCOMPARE(TextToCodesetBytes(QStringLiteral("K\u00fchler"), "ANSI_X3.4-1968"), QByteArray("K\xc3\xbchler"));
        QCOMPARE(TextToCodesetBytes(QStringLiteral("K\u00fchler"), "NO-SUCH-CODESET"), QByteArray("K\xc3\xbchler"));
    }

    void latin1LocaleKeepsDescriptionBytes()
    {
        if (!UseLatin1Locale())
            QSKIP("localedef or the de_DE locale source is not available");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("k\u00fchler.qzm"));
        FileSettings settings;
        settings.description = "K\xfchlhaus S\xfc" "d";
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QzmFileBytes(settings, {{"Vorlauf \xb0" "C", 3, 12, 1}}, {}));
        }
        EditorFixture f;
        QVERIFY(f.started);
        QVERIFY(f.app->OpenDocumentFile(path));
        QCOMPARE(f.description()->Text(), QStringLiteral("K\u00fchlhaus S\u00fcd"));
        QCOMPARE(f.blockDescription()->Text(), QStringLiteral("Vorlauf \u00b0C"));

        // Typing keeps the other bytes and stores what is typed in Latin-1.
        f.description()->setFocus();
        f.description()->moveCursor(QTextCursor::End);
        Type(f.description(), QStringLiteral(" \u00e4"));
        QCOMPARE(f.doc()->Description(), QByteArray("K\xfchlhaus S\xfc" "d \xe4"));
        f.blockDescription()->setFocus();
        f.blockDescription()->moveCursor(QTextCursor::End);
        Type(f.blockDescription(), QStringLiteral("\u00b5"));
        QCOMPARE(f.current()->m_strDescription, QByteArray("Vorlauf \xb0" "C\xb5"));
    }
};

QTEST_MAIN(TestLocalText)
#include "tst_localtext.moc"
