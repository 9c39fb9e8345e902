#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QPrinter;
class QWidget;

// Answers of a message box, numbered like the platform's dialog results.
enum class MsgAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct MessageRequest
{
    enum class Icon { Warning, Stop, Information, Question };
    enum class Buttons { Ok, YesNoCancel, YesNo };

    QString text;
    QString detailedText;
    Icon icon = Icon::Warning;
    Buttons buttons = Buttons::Ok;
};

struct FileDialogRequest
{
    enum class Mode { Open, Save };

    Mode mode = Mode::Open;
    QString title;
    QString initialPath;        // folder and/or file name offered first
    QStringList filters;        // "Name (*.ext)" entries, first preselected
    QString defaultSuffix;      // without the dot; appended when none typed
    bool confirmOverwrite = false;
    bool fileMustExist = false;
};

struct PrintRequest
{
    QPrinter* printer = nullptr;
    bool showDialog = true;     // false for direct printing
};

// The one seam through which every modal interaction passes, so tests can
// script the answers. The default implementation shows real dialogs.
class CInteraction
{
public:
    virtual ~CInteraction() = default;

    virtual MsgAnswer MessageBox(const MessageRequest& request) = 0;
    // Returns the chosen full path, or nothing when cancelled.
    virtual std::optional<QString> FileDialog(const FileDialogRequest& request) = 0;
    // Returns false when the user cancels the print dialog.
    virtual bool PrintDialog(const PrintRequest& request) = 0;
    // Runs a modal dialog of the program's own (such as the About box).
    virtual int RunModal(QWidget* dialog) = 0;

    static CInteraction& Instance();
    // Installs a replacement (tests); nullptr restores the default.
    // The caller keeps ownership.
    static void SetInstance(CInteraction* interaction);
    // Installs the implementation used when no replacement is set.
    static void SetDefault(CInteraction* interaction);
};

// The standard OK-only warning box ("QZM" caption).
MsgAnswer AfxMessageBox(const QString& text,
                        MessageRequest::Icon icon = MessageRequest::Icon::Warning,
                        const QString& detailedText = {});
MsgAnswer AfxMessageBox(int stringId,
                        MessageRequest::Icon icon = MessageRequest::Icon::Warning);
