// Descriptions are bytes in the locale's own encoding, not always UTF-8.
#include "EditorFixture.h"

#include "editor/ReportPrinting.h"
#include "framework/LocalText.h"
#include "framework/StandardIds.h"

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

    // A UTF-8 locale, whatever the test was started with.
    static bool UseUtf8Locale()
    {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (std::setlocale(LC_ALL, name))
                return LocalEncodingIsUtf8();
        return LocalEncodingIsUtf8();
    }

    static void TypeAtEnd(CDescriptionEdit* field, const QString& text)
    {
        field->setFocus();
        field->moveCursor(QTextCursor::End);
        Type(field, text);
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
#ifdef Q_OS_WIN
        QSKIP("Named codesets are the C library's (iconv); Windows has its ANSI code page only");
#endif
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

    void windows1252Table()
    {
        // Every byte reads as one character and writes back as itself.
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        const QString text = Windows1252ToText(all);
        QCOMPARE(text.size(), 256);
        QByteArray back;
        QVERIFY(TextToWindows1252(text, back));
        QCOMPARE(back, all);
        QCOMPARE(text.at(0x41), QChar(u'A'));
        QCOMPARE(text.at(0x80), QChar(u'\u20ac'));
        QCOMPARE(text.at(0x81), QChar(0x81));
        QCOMPARE(text.at(0x8a), QChar(u'\u0160'));
        QCOMPARE(text.at(0x8d), QChar(0x8d));
        QCOMPARE(text.at(0x8f), QChar(0x8f));
        QCOMPARE(text.at(0x90), QChar(0x90));
        QCOMPARE(text.at(0x93), QChar(u'\u201c'));
        QCOMPARE(text.at(0x99), QChar(u'\u2122'));
        QCOMPARE(text.at(0x9d), QChar(0x9d));
        QCOMPARE(text.at(0x9f), QChar(u'\u0178'));
        QCOMPARE(text.at(0xa0), QChar(0xa0));
        QCOMPARE(text.at(0xe9), QChar(u'\u00e9'));
        QCOMPARE(text.at(0xff), QChar(u'\u00ff'));
        // Characters without a byte, the C1 controls that the code page
        // gives to other characters among them, are refused.
        back = "kept";
        for (const QString& misfit : {QStringLiteral("\u03a9"), QStringLiteral("a\u0080"), QStringLiteral("\u009f"),
                                      QStringLiteral("\u0100"), QStringLiteral("\U0001F600")})
            QVERIFY2(!TextToWindows1252(misfit, back), qPrintable(misfit));
        QCOMPARE(back, QByteArray("kept"));
    }

    void utf8Detection()
    {
        QVERIFY(IsValidUtf8({}));
        QVERIFY(IsValidUtf8("plain"));
        QVERIFY(IsValidUtf8("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"));
        QVERIFY(!IsValidUtf8("caf\xe9"));
        QVERIFY(!IsValidUtf8("caf\xc3"));                  // cut off at the end
        QVERIFY(!IsValidUtf8("\xc3\xa9\xa9"));              // a stray continuation byte
        QVERIFY(!IsValidUtf8("\xc0\xaf"));                  // overlong
        QVERIFY(!IsValidUtf8("\xed\xa0\x80"));              // a surrogate
        QVERIFY(!IsValidUtf8("\xf4\x90\x80\x80"));          // beyond U+10FFFF
        QVERIFY(!IsValidUtf8("\xff"));
    }

    void utf8LocaleReadsWindows1252()
    {
        if (!UseUtf8Locale())
            QSKIP("no UTF-8 locale");
        // Windows-1252 where the bytes are not UTF-8, the field as a whole.
        DecodedText read = DecodeStoredText("Temp\xe9rature");
        QCOMPARE(read.text, QStringLiteral("Temp\u00e9rature"));
        QCOMPARE(read.encoding, TextEncoding::Windows1252);
        read = DecodeStoredText("5 \x80 \x93x\x94\r\n\x81");
        QCOMPARE(read.text, QStringLiteral("5 \u20ac \u201cx\u201d\r\n\u0081"));
        read = DecodeStoredText("D\xc3\xa9" "bit \xe9");
        QCOMPARE(read.text, QStringLiteral("D\u00c3\u00a9bit \u00e9"));
        QCOMPARE(read.encoding, TextEncoding::Windows1252);
        // UTF-8 and ASCII read as before.
        read = DecodeStoredText("D\xc3\xa9" "bit \xe2\x82\xac");
        QCOMPARE(read.text, QStringLiteral("D\u00e9bit \u20ac"));
        QCOMPARE(read.encoding, TextEncoding::Local);
        QCOMPARE(DecodeStoredText("Flow").encoding, TextEncoding::Local);

        // Written back in Windows-1252 where every character fits.
        QCOMPARE(EncodeStoredText(QStringLiteral("Temp\u00e9rature \u20ac"), TextEncoding::Windows1252),
                 QByteArray("Temp\xe9rature \x80"));
        QCOMPARE(EncodeStoredText(QStringLiteral("Temp\u00e9rature \u03a9"), TextEncoding::Windows1252),
                 QByteArray("Temp\xc3\xa9rature \xce\xa9"));
        // Windows-1252 bytes that would read back as UTF-8 go as UTF-8.
        QCOMPARE(EncodeStoredText(QStringLiteral("\u00c3\u00a9"), TextEncoding::Windows1252),
                 QByteArray("\xc3\x83\xc2\xa9"));
        QCOMPARE(EncodeStoredText(QStringLiteral("Flow"), TextEncoding::Windows1252), QByteArray("Flow"));
        QCOMPARE(EncodeStoredText(QStringLiteral("D\u00e9bit"), TextEncoding::Local), QByteArray("D\xc3\xa9" "bit"));

        // The printed report reads each line in its own encoding.
        CQZMDoc doc;
        doc.SetDescription("Temp\xe9rature\r\nD\xc3\xa9" "bit");
        CBlockMemory block;
        block.m_strDescription = "\x80 \xe9";
        QVERIFY(doc.AppendBlock(CQZMDoc::List::Read, block));
        const QStringList lines = ReportPrintLines(doc);
        QVERIFY(lines.contains(QStringLiteral("Description of this QZM: Temp\u00e9rature")));
        QVERIFY(lines.contains(QStringLiteral("D\u00e9bit")));
        QVERIFY(lines.contains(QStringLiteral("Description of this Block Memory: \u20ac \u00e9")));
    }

    void otherLocalesKeepTheirCodeset()
    {
        if (!UseLatin1Locale())
            QSKIP("localedef or the de_DE locale source is not available");
        QVERIFY(!LocalEncodingIsUtf8());
        const DecodedText read = DecodeStoredText("K\xfchler \x80");
        QCOMPARE(read.text, QStringLiteral("K\u00fchler \u0080"));
        QCOMPARE(read.encoding, TextEncoding::Local);
        QCOMPARE(DecodeStoredText("K\xc3\xbchler").text, QStringLiteral("K\u00c3\u00bchler"));
        QCOMPARE(EncodeStoredText(QStringLiteral("K\u00fchler \u20ac"), TextEncoding::Windows1252),
                 QByteArray("K\xfchler ?"));
    }

    // A file written on Windows, edited in a UTF-8 locale and saved.
    void windowsFileInTheForm()
    {
        if (!UseUtf8Locale())
            QSKIP("no UTF-8 locale");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("windows.qzm"));
        FileSettings settings;
        settings.description = "Temp\xe9rature";
        const QList<FileBlock> read{{"Temp\xe9rature", 3, 12, 1},
                                    {"D\xc3\xa9" "bit", 4, 13, 1},
                                    {"Niveau \x80\r\nr\xe9serve\x81\x8d\x8f\x90\x9d", 5, 14, 0}};
        const QList<FileBlock> write{{"Consigne \x93\xe9t\xe9\x94\nlone", 6, 15, 1}};
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QzmFileBytes(settings, read, write));
        }
        EditorFixture f;
        QVERIFY(f.started);
        QVERIFY(f.app->OpenDocumentFile(path));
        QCOMPARE(f.description()->Text(), QStringLiteral("Temp\u00e9rature"));
        QCOMPARE(f.blockDescription()->Text(), QStringLiteral("Temp\u00e9rature"));

        // A typed character that fits keeps the field in Windows-1252.
        TypeAtEnd(f.description(), QStringLiteral(" \u00fc"));
        QCOMPARE(f.doc()->Description(), QByteArray("Temp\xe9rature \xfc"));
        // One that does not puts the whole field in UTF-8.
        TypeAtEnd(f.blockDescription(), QStringLiteral("\u03a9"));
        QCOMPARE(f.current()->m_strDescription, QByteArray("Temp\xc3\xa9rature\xce\xa9"));

        // The field's encoding was settled when it was shown: typing over
        // its last non-ASCII letter, or changing a setting, does not lose it.
        f.typeInto(f.description(), QStringLiteral("x"));
        QCOMPARE(f.doc()->Description(), QByteArray("x"));
        f.choose(IDC_PROTOCOL, 1);
        QCOMPARE(f.doc()->Protocol(), 1);
        TypeAtEnd(f.description(), QStringLiteral("\u00e9\u20ac"));
        QCOMPARE(f.doc()->Description(), QByteArray("x\xe9\x80"));
        QCOMPARE(f.description()->Text(), QStringLiteral("x\u00e9\u20ac"));

        // A UTF-8 entry stays UTF-8; the others are only looked at.
        f.click(IDC_NEXT);
        QCOMPARE(f.blockDescription()->Text(), QStringLiteral("D\u00e9bit"));
        TypeAtEnd(f.blockDescription(), QStringLiteral("\u00df"));
        QCOMPARE(f.current()->m_strDescription, QByteArray("D\xc3\xa9" "bit\xc3\x9f"));
        f.click(IDC_NEXT);
        QCOMPARE(f.blockDescription()->Text(),
                 QStringLiteral("Niveau \u20ac\nr\u00e9serve\u0081\u008d\u008f\u0090\u009d"));
        f.clickTab(1);
        QCOMPARE(f.blockDescription()->Text(), QStringLiteral("Consigne \u201c\u00e9t\u00e9\u201d\nlone"));
        f.clickTab(0);
        f.click(IDC_PREVIEW);
        f.click(IDC_PREVIEW);
        QCOMPARE(f.blockDescription()->Text(), QStringLiteral("Temp\u00e9rature\u03a9"));

        f.frame()->FindCommandAction(ID_FILE_SAVE)->trigger();
        QVERIFY(!f.doc()->IsModified());
        settings.protocol = f.doc()->Protocol();
        settings.baudRate = f.doc()->BaudRate();
        settings.parity = f.doc()->Parity();
        settings.timeout = f.doc()->Timeout();
        settings.description = "x\xe9\x80";
        QList<FileBlock> saved = read;
        saved[0].description = "Temp\xc3\xa9rature\xce\xa9";
        saved[1].description = "D\xc3\xa9" "bit\xc3\x9f";
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QzmFileBytes(settings, saved, write));
    }
};

QTEST_MAIN(TestLocalText)
#include "tst_localtext.moc"
