// What `cmake --install` and the Debian package put where.
#include "support/ProcessRun.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
ProcessRun Run(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    return RunToEnd(process, program, args, {}, 240000);
}

const QStringList kIconSizes = {"16x16", "32x32", "48x48", "64x64", "128x128", "256x256"};

// Every file the install must deliver, relative to the prefix.
QStringList ExpectedFiles()
{
    QStringList files = {"bin/qzm", "bin/qzm-cli", "bin/qzm-sim", "share/applications/zelvra-qzm.desktop",
                         "share/mime/packages/zelvra-qzm.xml", "share/doc/qzm-configurator/copyright", "share/icons/hicolor/scalable/apps/zelvra-qzm.svg",
                         "share/icons/hicolor/scalable/mimetypes/application-x-qzm.svg",
                         "share/doc/qzm-configurator/changelog.gz", "share/metainfo/io.github.zelvra.qzm.metainfo.xml",
                         "share/lintian/overrides/qzm-configurator"};
    for (const QString& size : kIconSizes)
        files << "share/icons/hicolor/" + size + "/apps/zelvra-qzm.png"
              << "share/icons/hicolor/" + size + "/mimetypes/application-x-qzm.png";
    return files;
}

QByteArray Gunzip(const QString& path)
{
    return Run(QStringLiteral("gzip"), {QStringLiteral("-dc"), path}).out;
}
} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void stagedInstall()
    {
        QTemporaryDir stage;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), stage.path());
        const ProcessRun install =
            Run(QStringLiteral(QZM_CMAKE_COMMAND), {"--install", QZM_BINARY_DIR, "--prefix", "/usr"}, env);
        QVERIFY2(install.code == 0, install.err.constData());

        const QString usr = stage.filePath(QStringLiteral("usr"));
        for (const QString& file : ExpectedFiles())
            QVERIFY2(QFileInfo(usr + QLatin1Char('/') + file).isFile(), qPrintable(file));
        for (const char* program : {"qzm", "qzm-cli", "qzm-sim"})
            QVERIFY(QFileInfo(usr + "/bin/" + program).isExecutable());

        // Nothing lands outside the prefix.
        QCOMPARE(QDir(stage.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"usr"});

        // Manual pages for the two tools (and the program), compressed or not.
        for (const char* page : {"qzm-cli", "qzm-sim", "qzm"}) {
            const QString base = usr + "/share/man/man1/" + page + ".1";
            QByteArray text;
            if (QFileInfo::exists(base + ".gz"))
                text = Gunzip(base + ".gz");
            else {
                QFile file(base);
                QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(base));
                text = file.readAll();
            }
            QVERIFY2(text.startsWith(".TH " + QByteArray(page).toUpper() + " 1"), page);
            QVERIFY(text.contains(".SH SYNOPSIS"));
        }

        // The copyright statement is in Debian's machine-readable form.
        QFile copyright(usr + "/share/doc/qzm-configurator/copyright");
        QVERIFY(copyright.open(QIODevice::ReadOnly));
        const QByteArray copyrightText = copyright.readAll();
        QVERIFY(copyrightText.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
        QVERIFY(copyrightText.contains("\nFiles: *\nCopyright: 2026 Zelvra\nLicense: "));

        // The installed entry is valid and starts the installed program.
        const QString entry = usr + "/share/applications/zelvra-qzm.desktop";
        QFile entryFile(entry);
        QVERIFY(entryFile.open(QIODevice::ReadOnly));
        const QByteArray entryText = entryFile.readAll();
        QVERIFY(entryText.contains("\nExec=qzm %f\n"));
        QVERIFY(entryText.contains("\nMimeType=application/x-qzm;\n"));
        QVERIFY(entryText.contains("\nStartupWMClass=QZM\n"));
        // bash-completion loads qzm-cli's completion from here.
        QVERIFY(QFileInfo(usr + "/share/bash-completion/completions/qzm-cli").isFile());
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (!validator.isEmpty()) {
            const ProcessRun valid = Run(validator, {entry});
            QVERIFY2(valid.code == 0, valid.out.constData());
        }

        // Software centres find the program: its metainfo is valid and names
        // the installed entry.
        const QString metainfo = usr + "/share/metainfo/io.github.zelvra.qzm.metainfo.xml";
        QFile metainfoFile(metainfo);
        QVERIFY(metainfoFile.open(QIODevice::ReadOnly));
        QVERIFY(metainfoFile.readAll().contains("<launchable type=\"desktop-id\">zelvra-qzm.desktop</launchable>"));
        QVERIFY(entryText.contains("\nKeywords="));
        const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        if (!appstream.isEmpty()) {
            const ProcessRun valid = Run(appstream, {"validate", "--no-net", "--pedantic", metainfo});
            QVERIFY2(valid.code == 0, (valid.out + valid.err).constData());
        }

        // The installed tools run.
        const ProcessRun version = Run(usr + "/bin/qzm", {"--version"});
        QCOMPARE(version.code, 0);
        QVERIFY(version.out.contains("2.0.0.2"));
        const ProcessRun cli = Run(usr + "/bin/qzm-cli", {"--version"});
        QCOMPARE(cli.code, 0);
        QVERIFY(cli.out.contains("2.0.0.2"));
        QCOMPARE(Run(usr + "/bin/qzm-cli", {}).code, 2);
        const ProcessRun sim = Run(usr + "/bin/qzm-sim", {"--help"});
        QCOMPARE(sim.code, 0);
        QVERIFY(sim.out.contains("--no-reply"));
    }

    void debianPackage()
    {
        const QString dpkgDeb = QStandardPaths::findExecutable(QStringLiteral("dpkg-deb"));
        if (dpkgDeb.isEmpty())
            QSKIP("dpkg-deb is not installed");
        QTemporaryDir out;
        const ProcessRun pack = Run(QStringLiteral(QZM_CPACK_COMMAND),
                                {"-G", "DEB", "--config", QZM_BINARY_DIR "/CPackConfig.cmake", "-B", out.path()});
        QVERIFY2(pack.code == 0, (pack.out + pack.err).constData());
        const QStringList debs = QDir(out.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        const QString deb = out.filePath(debs.first());
        QVERIFY(debs.first().startsWith(QLatin1String("qzm-configurator_2.0.0.2")));

        const ProcessRun fields = Run(dpkgDeb, {"-f", deb, "Package", "Version", "Depends", "Section"});
        QCOMPARE(fields.code, 0);
        for (const char* needed : {"Package: qzm-configurator", "libqt6widgets6", "libqt6printsupport6",
                                   "libqt6serialport6", "libqt6network6", "qt6-qpa-plugins", "Section: electronics"})
            QVERIFY2(fields.out.contains(needed), fields.out.constData());

        const ProcessRun contents = Run(dpkgDeb, {"-c", deb});
        QCOMPARE(contents.code, 0);
        for (const QString& file : ExpectedFiles())
            QVERIFY2(contents.out.contains(("./usr/" + file).toUtf8()), qPrintable(file));
        QVERIFY(contents.out.contains("./usr/share/man/man1/qzm-cli.1"));
        QVERIFY(contents.out.contains("./usr/share/man/man1/qzm-sim.1"));

        // What distributions check a package with finds nothing to say, not
        // even in its pedantic tags.
        const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
        if (lintian.isEmpty())
            QSKIP("lintian is not installed");
        const ProcessRun lint = Run(lintian, {"--pedantic", "--fail-on", "error,warning,pedantic", deb});
        QVERIFY2(lint.code == 0 && lint.out.trimmed().isEmpty(), (lint.out + lint.err).constData());
        // Of the informational tags, the hardening, desktop entry and
        // section ones are answered too.
        const ProcessRun info = Run(lintian, {"--display-info", deb});
        for (const char* tag : {"hardening-no-bindnow", "desktop-entry-lacks-keywords-entry", "binary-has-unneeded-section",
                                "spelling-error-in-binary", "no-changelog"})
            QVERIFY2(!info.out.contains(tag), info.out.constData());
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
