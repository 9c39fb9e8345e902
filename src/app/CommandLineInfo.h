#pragma once

#include <QString>
#include <QStringList>

// What the command line asks the program to do.
class CCommandLineInfo
{
public:
    enum ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister };

    // Parses the arguments that follow the program's own name.
    static CCommandLineInfo Parse(const QStringList& arguments);
    static bool IsSwitch(const QString& argument);

    ShellCommand m_nShellCommand = FileNew;
    bool m_bRunEmbedded = false;
    bool m_bRunAutomated = false;
    QString m_strFileName;
    QString m_strPrinterName;
    QString m_strDriverName;
    QString m_strPortName;

private:
    void ParseFlag(const QString& flag);
    void ParseParameter(const QString& parameter);
    bool m_bActionChosen = false;
    int m_nParameters = 0;
    int m_nPrinterFields = 0;
};
