#pragma once

#include "framework/Interaction.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class CQZMDoc;

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

// Writes straight to the descriptor, so a full disk or a closed pipe is
// seen here and not lost in a stdio buffer at exit.
bool WriteCliStdout(const QByteArray& bytes);
// A whole output file, replacing an older one only when complete; a device
// or pipe named as the output is written into, as the shell would.
bool WriteCliOutputFile(const QString& path, const QByteArray& bytes);
