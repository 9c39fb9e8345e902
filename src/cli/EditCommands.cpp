// qzm-cli create and set: documents made and changed without the window,
// through the document's own steps and the editor's limits (QZMJson).

#include "cli/CliCommands.h"
#include "cli/CliOutput.h"

#include "document/QZMDoc.h"
#include "document/QZMJson.h"
#include "framework/FileError.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

// The whole input, from a file or from standard input ("-"). A pipe (also
// as /dev/stdin in a pipeline) is read as a script would expect; a folder,
// socket or device is no input. Every input has the same limit.
bool ReadInput(const QString& path, QByteArray& bytes)
{
    const bool standardInput = path == QLatin1String("-");
    if (!standardInput && !CheckCliFileName(path))
        return false;
    const QString name = standardInput ? QStringLiteral("standard input") : path;
    ClearLastFileError();
    FileErrorCause cause = standardInput ? FileErrorCause::IsPipe : NotAFileCause(path);
    bool tooLarge = false;
    if (cause == FileErrorCause::IsPipe) {
        cause = ReadCliPipe(path, bytes, tooLarge);
    } else if (cause == FileErrorCause::None) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            bytes = file.read(kCliInputLimit + 1);
            tooLarge = bytes.size() > kCliInputLimit;
            if (file.error() == QFileDevice::NoError)
                cause = FileErrorCause::None;
            else
                cause = ExplainFileError(LastFileErrorCause(), path);
        } else {
            cause = ExplainFileError(LastFileErrorCause(), path);
            if (cause == FileErrorCause::None)
                cause = FileErrorCause::Generic;
        }
    }
    if (cause == FileErrorCause::None && tooLarge)
        PrintCliInputTooLarge(name);
    else if (cause != FileErrorCause::None)
        PrintCliMessage(FileErrorMessage(cause, name));
    return cause == FileErrorCause::None && !tooLarge;
}

// Line and column (from 1) of a byte offset, as an editor shows them.
QString Position(const QByteArray& bytes, int offset)
{
    const QByteArray before = bytes.left(offset);
    const int line = int(before.count('\n')) + 1;
    const int column = int(QString::fromUtf8(before.mid(before.lastIndexOf('\n') + 1)).size()) + 1;
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

// Saves as File Save does: a complete file replaces the old one in one step.
bool SaveDocument(CQZMDoc& doc, const QString& path)
{
    if (path == QLatin1String("-"))
        return WriteCliStdout(doc.StoredBytes());
    if (!CheckCliFileName(path))
        return false;
    CCliInteraction collected;
    const bool saved = doc.OnSaveDocument(path);
    collected.PrintCollected();
    return saved;
}

} // namespace

int RunCreateCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Makes a .qzm file from the JSON form that qzm-cli show prints (see qzm-cli(1)), with the limits the "
        "window enforces. A value the window would refuse is named with its place in the JSON, and nothing is "
        "written."));
    const QCommandLineOption from(QStringLiteral("from-json"),
                                  QStringLiteral("The JSON form to read; - for standard input."),
                                  QStringLiteral("FILE.json"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The .qzm file to write (replaced as a whole); - for standard "
                                                   "output."),
                                    QStringLiteral("OUT.qzm"));
    parser.addOptions({from, output});
    if (const int code = ParseCommandArguments(parser, QStringLiteral("create"), arguments, QString()); code >= 0)
        return code;
    if (!parser.positionalArguments().isEmpty())
        return CliUsageError(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));
    if (!parser.isSet(from))
        return CliUsageError(QStringLiteral("--from-json FILE.json is missing"));
    if (!parser.isSet(output))
        return CliUsageError(QStringLiteral("-o OUT.qzm is missing"));
    const QString source = parser.value(from);
    const QString target = parser.value(output);
    if (source.isEmpty() || target.isEmpty())
        return CliUsageError(QStringLiteral("an empty file name"));

    QByteArray bytes;
    if (!ReadInput(source, bytes))
        return kExitFailure;
    const QString sourceName = source == QLatin1String("-") ? QStringLiteral("standard input") : source;
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        PrintCliMessage(QStringLiteral("%1: not valid JSON at %2: %3")
                            .arg(sourceName, Position(bytes, parseError.offset), parseError.errorString()));
        return kExitFailure;
    }
    // The parser keeps one of two equal keys: which one was meant is unknown.
    if (const QString twice = QZMJson::DuplicateKey(bytes); !twice.isEmpty()) {
        PrintCliMessage(twice);
        return kExitFailure;
    }
    if (!json.isObject()) {
        PrintCliMessage(QStringLiteral("%1: the form is a JSON object ({ \"format\": %2, ... })")
                            .arg(sourceName)
                            .arg(QZMJson::kFormatVersion));
        return kExitFailure;
    }

    CQZMDoc doc;
    if (const QString refusal = QZMJson::ToDocument(json.object(), doc); !refusal.isEmpty()) {
        PrintCliMessage(refusal);
        return kExitFailure;
    }
    return SaveDocument(doc, target) ? kExitOk : kExitFailure;
}

int RunSetCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Changes fields of a .qzm file in place, with the limits the window enforces. Every change is checked "
        "first; the file is replaced in one step, or not at all.\n\n"
        "Keys: description, protocol, baud_rate, parity, timeout, serial_port, and for an entry of a list\n"
        "read[N].description, read[N].address, read[N].number, read[N].parameter (write[N]. likewise),\n"
        "N counted from 0. A setting also takes its name: protocol=MODBUS-RTU, baud_rate=9600, parity=NONE.\n"
        "Choosing a protocol puts its settings in place as the window does, so name it before the others."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The .qzm file."));
    parser.addPositionalArgument(QStringLiteral("KEY=VALUE"), QStringLiteral("The changes, applied in order."),
                                 QStringLiteral("KEY=VALUE..."));
    if (const int code = ParseCommandArguments(parser, QStringLiteral("set"), arguments, QString()); code >= 0)
        return code;
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return CliUsageError(QStringLiteral("no FILE given"));
    if (positional.size() < 2)
        return CliUsageError(QStringLiteral("no KEY=VALUE given"));
    QList<std::pair<QString, QString>> changes;
    for (const QString& assignment : positional.mid(1)) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return CliUsageError(QStringLiteral("%1 is no KEY=VALUE").arg(assignment));
        const QString key = assignment.left(equals);
        if (!QZMJson::KnowsKey(key))
            return CliUsageError(QStringLiteral("%1 names no field").arg(key));
        if (CliArgumentUndecodable(assignment)) {
            // Stored, it would hold U+FFFD in place of the bytes given.
            const bool text = key.endsWith(QLatin1String("description"));
            PrintCliMessage(QStringLiteral("%1: the value is not valid UTF-8%2")
                                .arg(key, text ? QStringLiteral("; give its bytes in hex as %1Bytes=HEX").arg(key)
                                               : QString()));
            return kExitFailure;
        }
        changes.append({assignment.left(equals), assignment.mid(equals + 1)});
    }

    const QString path = positional.first();
    CQZMDoc doc;
    if (!LoadCliDocument(path, doc))
        return kExitFailure;
    for (const auto& [key, value] : changes) {
        if (const QString refusal = QZMJson::Assign(doc, key, value); !refusal.isEmpty()) {
            PrintCliMessage(refusal);
            return kExitFailure;
        }
    }
    // A change back to what is stored leaves the file as it is.
    if (!doc.IsModified())
        return kExitOk;
    // As the window's Save: another program's version, written since the
    // file was read, is not overwritten without a word.
    if (doc.FileChangedOnDisk(path)) {
        PrintCliMessage(QStringLiteral("%1 was changed by another program while it was being read and changed "
                                       "here; nothing was written. Run the command again on the new file.")
                            .arg(path));
        return kExitFailure;
    }
    return SaveDocument(doc, path) ? kExitOk : kExitFailure;
}
