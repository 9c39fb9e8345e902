// qzm-cli ports: the serial ports of the system and what COM1..COM4 open.

#include "cli/CliCommands.h"

#include "transfer/SerialPorts.h"
#include "document/QZMFields.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>

namespace {
QString AssignmentState(const PortAssignment& a, const QList<SerialPortEntry>& ports)
{
    if (IsNetworkPort(a.device))
        return QStringLiteral("network serial server");
    if (!a.exists)
        return QStringLiteral("not present");
    QString state;
    if (a.target != a.device)
        state = QStringLiteral("leads to ") + a.target;
    if (a.entry >= 0 && !ports.at(a.entry).Details().isEmpty())
        state += (state.isEmpty() ? QString() : QStringLiteral(", ")) + ports.at(a.entry).Details();
    return state.isEmpty() ? QStringLiteral("present") : state;
}
} // namespace

int RunPortsCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lists the serial ports of this system and the device each of COM1 to COM4 opens, "
                       "with where that choice comes from (QZM_COM<n>, the settings or the system's default)."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on this command."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print the list as JSON."));
    parser.addOption(help);
    parser.addOption(json);
    if (!parser.parse(QStringList{QStringLiteral("qzm-cli ports")} + arguments)) {
        QTextStream(stderr) << "qzm-cli ports: " << parser.errorText() << Qt::endl;
        return 2;
    }
    if (parser.isSet(help)) {
        const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QString text = parser.helpText();
        text.replace(program + QStringLiteral(" [options]"), program + QStringLiteral(" ports [options]"));
        QTextStream(stdout) << text << CliCommandExamples(QStringLiteral("ports"));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        QTextStream(stderr) << "qzm-cli ports: unexpected argument " << parser.positionalArguments().first()
                            << Qt::endl;
        return 2;
    }

    CSystemPortDiscovery discovery;
    const QList<SerialPortEntry> ports = discovery.Ports();
    QTextStream out(stdout);
    if (parser.isSet(json)) {
        out << QJsonDocument(PortsToJson(ports)).toJson(QJsonDocument::Indented);
        return out.status() == QTextStream::Ok ? 0 : 1;
    }

    if (ports.isEmpty())
        out << "No serial port found on this system.\n";
    else
        out << "Serial ports found:\n";
    for (const SerialPortEntry& port : ports) {
        out << "  " << port.Summary() << "\n";
        if (!port.stableName.isEmpty())
            out << "      stable name: " << port.stableName << "\n";
    }
    out << "\nCOM1 to COM4 open:\n";
    for (int n = QZMFields::kSerialPort.min; n <= QZMFields::kSerialPort.max; ++n) {
        const PortAssignment a = ResolvePortAssignment(n, &ports);
        out << "  " << a.name << "  " << a.device << "  (" << a.SourceText() << "; " << AssignmentState(a, ports)
            << ")\n";
    }
    out << "\nChoices are kept in " << PortSettingsLocation() << " under [Serial Ports];\n"
        << "QZM_COM1..QZM_COM4 in the environment override them.\n";
    out.flush();
    return out.status() == QTextStream::Ok ? 0 : 1;
}
