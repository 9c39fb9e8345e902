#include "app/CommandLineInfo.h"

CCommandLineInfo CCommandLineInfo::Parse(const QStringList& arguments)
{
    CCommandLineInfo info;
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1Char('-')) || argument.startsWith(QLatin1Char('/')))
            info.ParseFlag(argument.mid(1));
        else
            info.ParseParameter(argument);
    }
    if (!info.m_bActionChosen && !info.m_strFileName.isEmpty())
        info.m_nShellCommand = FileOpen;
    return info;
}

void CCommandLineInfo::ParseFlag(const QString& flag)
{
    auto choose = [this](ShellCommand command) {
        m_nShellCommand = command;
        m_bActionChosen = true;
    };
    if (flag == QLatin1String("pt"))
        choose(FilePrintTo);
    else if (flag == QLatin1String("p"))
        choose(FilePrint);
    else if (flag == QLatin1String("dde"))
        choose(FileDDE);
    else if (flag.compare(QLatin1String("Unregister"), Qt::CaseInsensitive) == 0
             || flag.compare(QLatin1String("Unregserver"), Qt::CaseInsensitive) == 0)
        choose(AppUnregister);
    else if (flag.compare(QLatin1String("Embedding"), Qt::CaseInsensitive) == 0)
        m_bRunEmbedded = true;
    else if (flag.compare(QLatin1String("Automation"), Qt::CaseInsensitive) == 0)
        m_bRunAutomated = true;
}

void CCommandLineInfo::ParseParameter(const QString& parameter)
{
    if (m_strFileName.isEmpty())
        m_strFileName = parameter;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.isEmpty())
        m_strPrinterName = parameter;
    else if (m_nShellCommand == FilePrintTo && m_strDriverName.isEmpty())
        m_strDriverName = parameter;
    else if (m_nShellCommand == FilePrintTo && m_strPortName.isEmpty())
        m_strPortName = parameter;
}
