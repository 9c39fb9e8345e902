#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// What each field of a QZM configuration may hold and what its settings are
// called: one table for the editor, the text report, qzm-cli and any other
// way of writing a document. A document stores any value a file brings; the
// ranges here are what a user may choose.
//
//   if (!QZMFields::kAddress.Contains(value)) ...     // reject an input
//   QZMFields::kParities.Name(doc.Parity())           // "EVEN", "ODD", "NONE"
//   QZMFields::kProtocols.IndexOf(u"MODBUS-RTU")      // 1, or -1 for no such name
namespace QZMFields {

struct Range
{
    int min;
    int max;
    constexpr bool Contains(qint64 value) const { return value >= min && value <= max; }
};

constexpr Range kAddress{1, 247};   // address in network
constexpr Range kNumber{0, 9999};   // parameter or basic-variable number
constexpr Range kTimeout{50, 1000}; // msec
constexpr Range kSerialPort{1, 4};  // COM1..COM4
constexpr int kTimeoutStep = 10;    // one step of the time-out's spin

// Digits the user may type into each number field.
constexpr int kAddressDigits = 3;
constexpr int kNumberDigits = 4;
constexpr int kTimeoutDigits = 4;

// Entries in each of the Read and Write lists.
constexpr int kMaxBlocks = 48;

// Descriptions (the document's and each Block Memory's) are free text of any
// length; the file and the report keep their bytes as they are.

// The names of a setting's stored indices, in the order of the form's lists.
class Choices
{
public:
    template <int N>
    constexpr Choices(const char* const (&names)[N]) : m_names(names), m_count(N)
    {
    }

    constexpr int Count() const { return m_count; }
    constexpr bool Contains(qint64 index) const { return index >= 0 && index < m_count; }
    // The name of a stored index. An index outside the table reads as the
    // last entry, as the report has always shown it.
    constexpr const char* Name(qint64 index) const { return m_names[Contains(index) ? index : m_count - 1]; }
    // The index of a name (exact spelling), or -1.
    int IndexOf(QStringView name) const;
    QStringList Names() const;

private:
    const char* const* m_names;
    int m_count;
};

inline constexpr const char* kProtocolNames[] = {"Zelvra", "MODBUS-RTU"};
inline constexpr const char* kBaudRateNames[] = {"9600", "19200"};
inline constexpr const char* kParityNames[] = {"EVEN", "ODD", "NONE"};

inline constexpr Choices kProtocols{kProtocolNames};
inline constexpr Choices kBaudRates{kBaudRateNames};
inline constexpr Choices kParities{kParityNames};

enum Protocol : int { kProtocolZelvra = 0, kProtocolModbusRtu = 1 };
enum BaudRate : int { kBaud9600 = 0, kBaud19200 = 1 };
enum Parity : int { kParityEven = 0, kParityOdd = 1, kParityNone = 2 };

// Zelvra fixes the line once chosen: 9600 baud, EVEN parity and this time-out.
constexpr int kZelvraTimeout = 100;

// Bits per second of a stored baud-rate index (outside the table: the last).
constexpr int BaudRateBps(qint64 index)
{
    return index == kBaud9600 ? 9600 : 19200;
}
} // namespace QZMFields
