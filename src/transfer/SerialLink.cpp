#include "transfer/SerialLink.h"

#include "framework/SettingsKeys.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "document/QZMFields.h"
#include "transfer/SerialPortInterface.h"

#include <QtGlobal>

namespace {
// Stands in for the port when the serial port plugin cannot be opened: the
// transfer reports the port as not to be opened, with the reason.
class CUnavailableLink : public CSerialLink
{
public:
    explicit CUnavailableLink(QString reason) : m_strError(std::move(reason)) {}
    OpenResult Open(const QString&) override { return OpenResult::OpenFailed; }
    bool Write(const QByteArray&) override { return false; }
    bool Read(int, QByteArray&) override { return false; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    QString ErrorString() const override { return m_strError; }

private:
    QString m_strError;
};
} // namespace

std::unique_ptr<CSerialLink> CreateSerialPortLink()
{
    // Qt Serial Port loads with the first transfer, from its plugin.
    if (auto* plugin = Plugin<CSerialPortInterface>(kSerialPortPlugin))
        return plugin->CreateLink();
    return std::make_unique<CUnavailableLink>(QStringLiteral("The serial port support could not be loaded: ")
                                              + PluginError(kSerialPortPlugin));
}

QString SerialPortName(int nSerialPort)
{
    if (!QZMFields::kSerialPort.Contains(nSerialPort))
        return {};
    return CStringTable::Load(IDS_COM1 + nSerialPort - 1);
}
