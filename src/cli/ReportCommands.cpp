#include "cli/CliCommands.h"
#include "cli/CliOutput.h"

#include "document/QZMDoc.h"
#include "document/QZMJson.h"
#include "document/TextReport.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>

int RunReportCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the text report of a .qzm file, byte for byte as Create Text File writes it."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the report to OUT instead of standard output."),
                                    QStringLiteral("OUT"));
    parser.addOption(output);
    const QCommandLineOption noFileLine(
        QStringLiteral("no-file-line"),
        QStringLiteral("Leave out the \"File:\" line, which names the file (git's textconv hands over a copy with "
                       "a name of its own)."));
    parser.addOption(noFileLine);
    CQZMDoc doc;
    if (const int code = ParseCommandAndLoad(parser, QStringLiteral("report"), arguments, doc); code >= 0)
        return code;
    QByteArray report = BuildTextReport(doc, ReportNameFromTitle(doc.GetTitle()));
    if (parser.isSet(noFileLine)) {
        // The third line and the blank line after it.
        const qsizetype start = report.indexOf("\r\nFile: ");
        const qsizetype end = report.indexOf("\r\n\r\n", start + 2);
        if (start >= 0 && end > start)
            report.remove(start + 2, end + 4 - (start + 2));
    }

    const QString out = parser.value(output);
    if (out.isEmpty() || out == QLatin1String("-"))
        return WriteCliStdout(report) ? kExitOk : kExitFailure;
    return WriteCliOutputFile(out, report) ? kExitOk : kExitFailure;
}

int RunShowCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the whole document of a .qzm file as JSON, in the form qzm-cli create reads (see qzm-cli(1))."));
    CQZMDoc doc;
    if (const int code = ParseCommandAndLoad(parser, QStringLiteral("show"), arguments, doc); code >= 0)
        return code;

    QJsonObject root = QZMJson::FromDocument(doc);
    // The name as the user gave it; the title is the name the window shows.
    root[QStringLiteral("file")] = parser.positionalArguments().first();
    root[QStringLiteral("title")] = doc.GetTitle();
    return WriteCliStdout(QJsonDocument(root).toJson(QJsonDocument::Indented)) ? kExitOk : kExitFailure;
}
