#pragma once

#include "transfer/SerialPorts.h"

#include "transfer/SerialLink.h"
#include "document/QZMFields.h"

#include <QDialog>

class QGridLayout;
class QVBoxLayout;

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

// "Serial Ports": which device each of COM1..COM4 opens, where that choice
// comes from, and a new choice among the ports found or any path or
// network address. Choices go to the settings when the dialog is accepted.
class CSerialPortsDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CSerialPortsDlg(CPortDiscovery& discovery, QWidget* parent = nullptr);

    // Enumerates the ports again and shows the current assignments.
    void Refresh();
    // The choice for COM<n> as it would be stored; empty for the default.
    QString Choice(int nSerialPort) const;
    // Writes the four choices to the settings.
    void StoreChoices() const;

    QComboBox* PortBox(int nSerialPort) const { return m_boxes[nSerialPort - 1]; }
    QLabel* StateLabel(int nSerialPort) const { return m_states[nSerialPort - 1]; }
    QTreeWidget* PortList() const { return m_list; }
    QPushButton* RefreshButton() const { return m_refresh; }

    void accept() override;

    QPushButton* TryButton(int nSerialPort) const { return m_tryButtons[nSerialPort - 1]; }
    QPushButton* UseButton() const { return m_use; }
    // Opens the device COM<n> would open as chosen now, closes it, and adds
    // the result to its note; returns that result.
    QString TryPort(int nSerialPort);
    // Takes the port chosen in the list for the COM last worked on.
    void UseListedPort();
    // Links for Try (tests); the real serial port link when unset.
    void SetLinkFactory(std::function<std::unique_ptr<CSerialLink>()> factory);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void AddPortRow(QGridLayout* grid, int n);
    void AddPortList(QVBoxLayout* layout);
    void FillBox(int nSerialPort, const QString& keep);
    void UpdateNote(int nSerialPort);
    void UpdateUseButton();
    void FitNotes();

    CPortDiscovery& m_discovery;
    QList<SerialPortEntry> m_ports;
    QComboBox* m_boxes[QZMFields::kSerialPort.max] = {};
    QLabel* m_states[QZMFields::kSerialPort.max] = {};
    QTreeWidget* m_list = nullptr;
    QPushButton* m_refresh = nullptr;
    QPushButton* m_tryButtons[QZMFields::kSerialPort.max] = {};
    QPushButton* m_use = nullptr;
    int m_nTarget = 1;
    std::function<std::unique_ptr<CSerialLink>()> m_linkFactory;
};
