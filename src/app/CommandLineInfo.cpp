#include "app/CommandLineInfo.h"

bool CCommandLineInfo::IsSwitch(const QString& argument)
{
    if (argument.startsWith(QLatin1Char('-')))
        return true;
    if (!argument.startsWith(QLatin1Char('/')))
        return false;
#ifdef Q_OS_WIN
    return true;
#else
    // Absolute paths start with "/" here: "/p" is a switch, "/home/x.qzm" a file.
    return argument.indexOf(QLatin1Char('/'), 1) < 0;
#endif
}

CCommandLineInfo CCommandLineInfo::Parse(const QStringList& arguments)
{
    CCommandLineInfo info;
    for (const QString& argument : arguments) {
        if (IsSwitch(argument))
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
    // Counted, not tested for emptiness: an empty argument ("") still takes
    // its place, so the names after it do not slide into the wrong field.
    if (m_nParameters++ == 0) {
        m_strFileName = parameter;
        return;
    }
    if (m_nShellCommand != FilePrintTo || m_nPrinterFields >= 3)
        return;
    QString* const fields[3] = {&m_strPrinterName, &m_strDriverName, &m_strPortName};
    *fields[m_nPrinterFields++] = parameter;
}
