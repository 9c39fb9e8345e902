#pragma once

#include "framework/FileError.h"
#include "framework/Interaction.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class CQZMDoc;
class QFile;

// Exit codes shared by every command.
enum CliExit : int {
    kExitOk = 0,
    // The file or the device failed; the program's own message was printed.
    kExitFailure = 1,
    // Wrong usage: a missing or unknown argument, an impossible option value.
    kExitUsage = 2,
};

// Every message on stderr starts with "qzm-cli COMMAND: ", so a script can
// tell them from a device's or a shell's. Safe to call from any thread.
void SetCliCommandName(const QString& command);
// The arguments as the system gave them, before Qt decoded them as UTF-8.
void SetCliRawArguments(int argc, char* argv[]);
// False, with a message, when a file named on the command line had a name
// that is not valid UTF-8: Qt put U+FFFD for its bytes, so it can neither
// be found nor created under that name.
bool CheckCliFileName(const QString& name);
// True when the argument's bytes were not valid UTF-8 (Qt put U+FFFD for
// them).
bool CliArgumentUndecodable(const QString& argument);
QString CliMessagePrefix();
// The text's first line after the prefix; further lines of the text and the
// detail's lines indented by two blanks.
void PrintCliMessage(const QString& text, const QString& detail = {});
// A usage error: the message, then where to read more. Returns kExitUsage.
int CliUsageError(const QString& text);
// One line on stdout, written whole even when threads print at once.
bool PrintCliLine(const QString& line);

// Collects what the document code would show in a message box, so the
// command can print it as its own message.
class CCliInteraction : public CInteraction
{
public:
    CCliInteraction();
    ~CCliInteraction() override;
    CCliInteraction(const CCliInteraction&) = delete;
    CCliInteraction& operator=(const CCliInteraction&) = delete;

    MsgAnswer MessageBox(const MessageRequest& request) override;
    std::optional<QString> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
    bool PrintDialog(const PrintRequest&) override { return false; }
    int RunModal(QWidget*) override { return 0; }

    // Prints and forgets what was collected; true when there was something.
    bool PrintCollected();
    const QStringList& Texts() const { return m_texts; }
    void Forget();

private:
    QStringList m_texts;
    QStringList m_details;
};

// Loads the file as the program opens it. Anything the program would have
// said about the file counts as a failure here, including "a new document
// will be created": that new document is not the file's. Prints the
// program's messages; false on failure.
bool LoadCliDocument(const QString& path, CQZMDoc& doc);
// The most a pipe or standard input may bring: far more than any
// document or its JSON form.
constexpr qsizetype kCliInputLimit = qsizetype(64) << 20;
// A pipe ("-": standard input, whatever it is) to its end. Opened without
// waiting, so a named pipe that no program writes to ends at once with
// PipeNoWriter; while a writer is there, its data is waited for as in any
// pipeline. More than kCliInputLimit bytes set tooLarge and stop reading.
FileErrorCause ReadCliPipe(const QString& path, QByteArray& bytes, bool& tooLarge);
// Says that the input named is larger than kCliInputLimit.
void PrintCliInputTooLarge(const QString& name);
// The message for a write that failed with errno error.
void PrintCliWriteError(int error, const QString& name);

// Writes straight to the descriptor, so a full disk or a closed pipe is
// seen here and not lost in a stdio buffer at exit.
bool WriteCliStdout(const QByteArray& bytes);
// A whole output file, replacing an older one only when complete; a device
// or pipe named as the output is written into, as the shell would.
bool WriteCliOutputFile(const QString& path, const QByteArray& bytes);
// An output opened for writing as it comes (a log): a plain file is
// replaced, a pipe or device written into; a pipe nobody reads is refused
// at once. Prints the message on failure.
bool OpenCliOutputFile(QFile& file, const QString& path);
