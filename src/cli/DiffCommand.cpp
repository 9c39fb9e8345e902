#include "cli/CliCommands.h"
#include "cli/CliOutput.h"

#include "document/QZMDiff.h"
#include "document/QZMDoc.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <iterator>

namespace {
// diff(1)'s exit codes: the same, different, trouble.
enum DiffExit : int { kSame = 0, kDifferent = 1, kTrouble = 2 };

// The JSON names, in the order of the enumerations.
const char* const kChangeNames[] = {"changed", "added", "removed"};
const char* const kSectionNames[] = {"settings", "read", "write"};
static_assert(std::size(kChangeNames) == size_t(QZMDifference::Change::Removed) + 1);
static_assert(std::size(kSectionNames) == size_t(QZMDifference::Section::Write) + 1);

QByteArray DiffAsJson(const QString& before, const QString& after, const QList<QZMDifference>& differences)
{
    QJsonArray list;
    for (const QZMDifference& d : differences) {
        QJsonObject o{{QStringLiteral("change"), QLatin1String(kChangeNames[int(d.change)])},
                      {QStringLiteral("section"), QLatin1String(kSectionNames[int(d.section)])},
                      {QStringLiteral("where"), d.Where()},
                      {QStringLiteral("text"), d.Line()}};
        if (d.entry)
            o[QStringLiteral("entry")] = d.entry;
        if (!d.field.isEmpty()) {
            o[QStringLiteral("field")] = d.field;
            o[QStringLiteral("label")] = d.label;
        }
        if (d.change != QZMDifference::Change::Added)
            o[QStringLiteral("before")] = d.before;
        if (d.change != QZMDifference::Change::Removed)
            o[QStringLiteral("after")] = d.after;
        list.append(o);
    }
    const QJsonObject root{{QStringLiteral("before"), before},
                           {QStringLiteral("after"), after},
                           {QStringLiteral("same"), differences.isEmpty()},
                           {QStringLiteral("differences"), list}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact) + '\n';
}
} // namespace

int RunDiffCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows what differs between two .qzm files, in the words of the window: each setting by its label, the "
        "description, each Read and Write Block Memory by its number, entries added or removed at the end.\n"
        "Exit status as diff(1): 0 the same, 1 different, 2 a file could not be read or wrong usage.\n\n"
        "Examples:\n"
        "  qzm-cli diff plant.qzm plant-new.qzm\n"
        "  qzm-cli diff --json old.qzm new.qzm"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print the differences as one JSON object."));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("A"), QStringLiteral("The .qzm file to compare from."));
    parser.addPositionalArgument(QStringLiteral("B"), QStringLiteral("The .qzm file to compare to."));
    // Help is 0 and wrong usage 2, as diff(1) has them too.
    if (const int code = ParseCommandArguments(parser, QStringLiteral("diff"), arguments, {}); code >= 0)
        return code;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return CliUsageError(QStringLiteral("expected two files, A and B"));

    CQZMDoc before;
    CQZMDoc after;
    if (!LoadCliDocument(files[0], before) || !LoadCliDocument(files[1], after))
        return kTrouble;
    const QList<QZMDifference> differences = DiffConfigurations(before, after);

    QByteArray out;
    if (parser.isSet(json)) {
        out = DiffAsJson(files[0], files[1], differences);
    } else {
        for (const QZMDifference& d : differences)
            out += d.Line().toUtf8() + '\n';
    }
    if (!out.isEmpty() && !WriteCliStdout(out))
        return kTrouble;
    return differences.isEmpty() ? kSame : kDifferent;
}
