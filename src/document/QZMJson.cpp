#include "document/QZMJson.h"

#include "document/QZMDoc.h"
#include "framework/LocalText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <cmath>
#include <tuple>
#include <limits>

using namespace QZMFields;

namespace {
QString protocolName(int protocol)
{
    return QLatin1String(kProtocols.Name(protocol));
}

QString parityName(int parity)
{
    return QLatin1String(kParities.Name(parity));
}

void putDescription(QJsonObject& o, const QByteArray& bytes)
{
    const QString text = DecodeStoredText(bytes).text;
    o[QStringLiteral("description")] = text;
    // The bytes too when the text alone would not give them back.
    if (TextToLocalBytes(text) != bytes)
        o[QStringLiteral("descriptionBytes")] = QString::fromLatin1(bytes.toHex());
}

QJsonArray listToJson(const QList<CBlockMemory*>& blocks)
{
    QJsonArray list;
    for (const CBlockMemory* block : blocks) {
        QJsonObject o;
        putDescription(o, block->m_strDescription);
        o[QStringLiteral("address")] = block->m_nAddress;
        o[QStringLiteral("number")] = block->m_nNumber;
        o[QStringLiteral("parameter")] = block->m_bParameter != 0;
        o[QStringLiteral("item")] = block->ItemName();
        list.append(o);
    }
    return list;
}
} // namespace

QJsonObject QZMJson::FromDocument(const CQZMDoc& doc)
{
    QJsonObject settings;
    settings[QStringLiteral("protocol")] = doc.Protocol();
    settings[QStringLiteral("protocolName")] = protocolName(doc.Protocol());
    settings[QStringLiteral("baudRate")] = doc.BaudRate();
    settings[QStringLiteral("baudRateBps")] = BaudRateBps(doc.BaudRate());
    settings[QStringLiteral("parity")] = doc.Parity();
    settings[QStringLiteral("parityName")] = parityName(doc.Parity());
    settings[QStringLiteral("timeout")] = doc.Timeout();

    QJsonObject root;
    root[QStringLiteral("format")] = kFormatVersion;
    root[QStringLiteral("settings")] = settings;
    root[QStringLiteral("serialPort")] = doc.SerialPort();
    putDescription(root, doc.Description());
    root[QStringLiteral("read")] = listToJson(doc.ReadBlocks());
    root[QStringLiteral("write")] = listToJson(doc.WriteBlocks());
    return root;
}

namespace {
// A text field stores its length plus the terminating zero in 32 bits.
constexpr qsizetype kMaxTextBytes = std::numeric_limits<qint32>::max() - 1;

enum class Field { Protocol, BaudRate, Parity, Timeout, SerialPort, Description, DescriptionBytes, Address, Number, Parameter };

// A field of the document, or of one Block Memory when index >= 0.
struct Target
{
    Field field;
    CQZMDoc::List list = CQZMDoc::List::Read;
    int index = -1;
};

QString shown(const QJsonValue& value)
{
    if (value.isUndefined())
        return QStringLiteral("nothing");
    if (value.isString())
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    const QJsonArray wrapped{value};
    const QByteArray text = QJsonDocument(wrapped).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

QString refusal(const QString& path, const QString& reason)
{
    return path + QStringLiteral(": ") + reason;
}

bool wholeNumber(const QJsonValue& value, const QString& path, qint64& number, QString& error)
{
    const double d = value.toDouble();
    if (!value.isDouble() || !std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 1e15) {
        error = refusal(path, QStringLiteral("expected a whole number, got %1").arg(shown(value)));
        return false;
    }
    number = qint64(d);
    return true;
}

bool inRange(qint64 number, Range range, const QString& path, QString& error, const QString& note = {})
{
    if (range.Contains(number))
        return true;
    error = refusal(path, QStringLiteral("%1 is out of range %2..%3").arg(number).arg(range.min).arg(range.max));
    if (!note.isEmpty())
        error += QStringLiteral(" (%1)").arg(note);
    return false;
}

// A Choices table's indices with their names, for a message.
QString choicesNote(const Choices& choices, const QString& unit = {})
{
    QStringList parts;
    for (int i = 0; i < choices.Count(); ++i)
        parts << QStringLiteral("%1 = %2").arg(i).arg(QLatin1String(choices.Name(i)));
    return parts.join(QStringLiteral(", ")) + unit;
}

// The editor marks the document modified for each change it stores.
void changed(CQZMDoc& doc, bool stored)
{
    if (stored)
        doc.SetModifiedFlag(true);
}

// A new text goes in the encoding the field's old text was read in, as in
// the editor.
bool textBytes(const QString& text, const QString& path, const QByteArray& old, QByteArray& bytes, QString& error)
{
    if (text.contains(QChar(0))) {
        error = refusal(path, QStringLiteral("holds a zero character, which the file cannot store"));
        return false;
    }
    bytes = EncodeStoredText(text, DecodeStoredText(old).encoding);
    if (DecodeStoredText(bytes).text != text) {
        error = refusal(path, QStringLiteral("holds characters the system's text encoding cannot store "
                                             "(give the bytes as descriptionBytes)"));
        return false;
    }
    if (bytes.size() > kMaxTextBytes) {
        error = refusal(path, QStringLiteral("is longer than the file can store"));
        return false;
    }
    return true;
}

bool hexBytes(const QJsonValue& value, const QString& path, QByteArray& bytes, QString& error)
{
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    if (!value.isString() || !hex.match(value.toString()).hasMatch()) {
        error = refusal(path, QStringLiteral("expected the bytes as pairs of hex digits, got %1").arg(shown(value)));
        return false;
    }
    bytes = QByteArray::fromHex(value.toString().toLatin1());
    if (bytes.contains('\0')) {
        error = refusal(path, QStringLiteral("holds a zero byte, which the file cannot store"));
        return false;
    }
    if (bytes.size() > kMaxTextBytes) {
        error = refusal(path, QStringLiteral("is longer than the file can store"));
        return false;
    }
    return true;
}

// Stores one value as the editor's field would take it; the refusal, or an
// empty text.
QString store(CQZMDoc& doc, const Target& target, const QJsonValue& value, const QString& path)
{
    QString error;
    CBlockMemory block;
    if (target.index >= 0)
        block = *doc.Blocks(target.list).at(target.index);
    auto storeBlock = [&] { changed(doc, doc.SetBlock(target.list, target.index, block)); };
    qint64 n = 0;
    switch (target.field) {
    case Field::Description:
    case Field::DescriptionBytes: {
        QByteArray bytes;
        if (target.field == Field::Description) {
            if (!value.isString())
                return refusal(path, QStringLiteral("expected a text, got %1").arg(shown(value)));
            const QByteArray& old = target.index < 0 ? doc.Description() : block.m_strDescription;
            if (!textBytes(value.toString(), path, old, bytes, error))
                return error;
        } else if (!hexBytes(value, path, bytes, error)) {
            return error;
        }
        if (target.index < 0) {
            changed(doc, doc.SetDescription(bytes));
        } else {
            block.m_strDescription = bytes;
            storeBlock();
        }
        return {};
    }
    case Field::Parameter:
        if (!value.isBool())
            return refusal(path, QStringLiteral("expected true (Parameter) or false (Basic Variable), got %1")
                                     .arg(shown(value)));
        block.m_bParameter = value.toBool() ? 1 : 0;
        storeBlock();
        return {};
    default:
        break;
    }

    if (!wholeNumber(value, path, n, error))
        return error;
    switch (target.field) {
    case Field::Protocol:
        if (!inRange(n, {0, kProtocols.Count() - 1}, path, error, choicesNote(kProtocols)))
            return error;
        // Choosing a protocol puts its settings in place, as in the window.
        changed(doc, doc.ChooseProtocol(int(n)));
        return {};
    case Field::BaudRate:
        if (!inRange(n, {0, kBaudRates.Count() - 1}, path, error, choicesNote(kBaudRates, QStringLiteral(" bps"))))
            return error;
        changed(doc, doc.SetBaudRate(int(n)));
        return {};
    case Field::Parity:
        if (!inRange(n, {0, kParities.Count() - 1}, path, error, choicesNote(kParities)))
            return error;
        if (doc.ProtocolFixesSettings() && n != kParityEven)
            return refusal(path, QStringLiteral("%1 (%2) cannot be chosen with protocol %3, which fixes the parity "
                                                "at %4 (%5)")
                                     .arg(n)
                                     .arg(parityName(int(n)))
                                     .arg(protocolName(doc.Protocol()))
                                     .arg(int(kParityEven))
                                     .arg(parityName(kParityEven)));
        changed(doc, doc.SetParity(int(n)));
        return {};
    case Field::Timeout:
        if (!inRange(n, kTimeout, path, error))
            return error;
        if (doc.ProtocolFixesSettings() && n != kZelvraTimeout)
            return refusal(path, QStringLiteral("%1 cannot be chosen with protocol %2, which fixes the time-out at %3")
                                     .arg(n)
                                     .arg(protocolName(doc.Protocol()))
                                     .arg(kZelvraTimeout));
        changed(doc, doc.SetTimeout(int(n)));
        return {};
    case Field::SerialPort:
        if (!inRange(n, kSerialPort, path, error, QStringLiteral("COM1..COM4")))
            return error;
        changed(doc, doc.SetSerialPort(int(n)));
        return {};
    case Field::Address:
        if (!inRange(n, kAddress, path, error))
            return error;
        block.m_nAddress = qint32(n);
        storeBlock();
        return {};
    case Field::Number:
        if (!inRange(n, kNumber, path, error))
            return error;
        block.m_nNumber = qint32(n);
        storeBlock();
        return {};
    default:
        return {};
    }
}

QString unknownKeys(const QJsonObject& o, const QString& prefix, const QStringList& known)
{
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!known.contains(it.key()))
            return refusal(prefix + it.key(), QStringLiteral("unknown key (known here: %1)").arg(known.join(QStringLiteral(", "))));
    return {};
}

// A name beside a value ("protocolName", "item") must say what the value does.
QString checkName(const QJsonObject& o, const QString& key, const QString& prefix, const QJsonValue& expected,
                  const QString& what)
{
    const QJsonValue given = o.value(key);
    // A baud rate is named by its number, written either way.
    if (given.isUndefined() || given == expected
        || (given.isString() && expected.isDouble() && given.toString() == QString::number(expected.toInt())))
        return {};
    return refusal(prefix + key, QStringLiteral("%1 does not match %2 (%3); change or remove it")
                                     .arg(shown(given), what, shown(expected)));
}

// The description, from its text or its bytes; both when given must agree.
QString storeDescription(CQZMDoc& doc, const Target& at, const QJsonObject& o, const QString& prefix)
{
    const QString textKey = QStringLiteral("description");
    const QString bytesKey = QStringLiteral("descriptionBytes");
    Target target = at;
    if (!o.contains(bytesKey)) {
        if (!o.contains(textKey))
            return {};
        target.field = Field::Description;
        return store(doc, target, o.value(textKey), prefix + textKey);
    }
    target.field = Field::DescriptionBytes;
    if (QString error = store(doc, target, o.value(bytesKey), prefix + bytesKey); !error.isEmpty())
        return error;
    if (!o.contains(textKey))
        return {};
    if (!o.value(textKey).isString())
        return refusal(prefix + textKey, QStringLiteral("expected a text, got %1").arg(shown(o.value(textKey))));
    const QByteArray& bytes = at.index >= 0 ? doc.Blocks(at.list).at(at.index)->m_strDescription : doc.Description();
    if (DecodeStoredText(bytes).text != o.value(textKey).toString())
        return refusal(prefix + bytesKey, QStringLiteral("does not give the description's text; change or remove one "
                                                         "of the two"));
    return {};
}

QString buildList(CQZMDoc& doc, const QJsonObject& form, CQZMDoc::List list)
{
    const QString name = list == CQZMDoc::List::Read ? QStringLiteral("read") : QStringLiteral("write");
    if (!form.contains(name))
        return {};
    const QJsonValue value = form.value(name);
    if (!value.isArray())
        return refusal(name, QStringLiteral("expected a list of Block Memories, got %1").arg(shown(value)));
    const QJsonArray entries = value.toArray();
    if (entries.size() > kMaxBlocks)
        return refusal(name, QStringLiteral("%1 Block Memories, but a list holds at most %2")
                                 .arg(entries.size())
                                 .arg(kMaxBlocks));
    static const QStringList known{QStringLiteral("address"),   QStringLiteral("description"),
                                   QStringLiteral("descriptionBytes"), QStringLiteral("item"),
                                   QStringLiteral("number"),    QStringLiteral("parameter")};
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString prefix = QStringLiteral("%1[%2].").arg(name).arg(i);
        if (!entries.at(i).isObject())
            return refusal(prefix.chopped(1),
                           QStringLiteral("expected a Block Memory object, got %1").arg(shown(entries.at(i))));
        const QJsonObject o = entries.at(i).toObject();
        if (QString error = unknownKeys(o, prefix, known); !error.isEmpty())
            return error;
        // As Insert does in the window: a default entry after the current one.
        if (!doc.InsertBlock(list))
            return refusal(prefix.chopped(1), QStringLiteral("the list is full"));
        const Target at{Field::Address, list, doc.CurrentIndex(list)};
        if (QString error = storeDescription(doc, at, o, prefix); !error.isEmpty())
            return error;
        // The item as the report writes it ("P100", "VB12") stands for the
        // flag and the number where those are not given.
        QJsonObject values = o;
        QString numberPath = prefix + QStringLiteral("number");
        QString flagPath = prefix + QStringLiteral("parameter");
        const QJsonValue item = o.value(QStringLiteral("item"));
        if (!item.isUndefined() && (!o.contains(QStringLiteral("number")) || !o.contains(QStringLiteral("parameter")))) {
            static const QRegularExpression pattern(QStringLiteral("^(P|VB)(\\d{1,9})$"));
            const QRegularExpressionMatch m = pattern.match(item.toString());
            if (!item.isString() || !m.hasMatch())
                return refusal(prefix + QStringLiteral("item"),
                               QStringLiteral("expected P or VB and a number, as \"P100\" or \"VB12\", got %1")
                                   .arg(shown(item)));
            if (!o.contains(QStringLiteral("parameter"))) {
                values[QStringLiteral("parameter")] = m.captured(1) == QLatin1String("P");
                flagPath = prefix + QStringLiteral("item");
            }
            if (!o.contains(QStringLiteral("number"))) {
                values[QStringLiteral("number")] = m.captured(2).toDouble();
                numberPath = prefix + QStringLiteral("item");
            }
        }
        for (const auto& [key, field, path] : {std::tuple{QStringLiteral("address"), Field::Address, prefix + QStringLiteral("address")},
                                                std::tuple{QStringLiteral("number"), Field::Number, numberPath},
                                                std::tuple{QStringLiteral("parameter"), Field::Parameter, flagPath}}) {
            if (!values.contains(key))
                continue;
            if (QString error = store(doc, {field, list, at.index}, values.value(key), path); !error.isEmpty())
                return error;
        }
        const CBlockMemory& block = *doc.Blocks(list).at(at.index);
        if (QString error = checkName(o, QStringLiteral("item"), prefix, block.ItemName(),
                                      QStringLiteral("parameter %1 and number %2")
                                          .arg(block.m_bParameter ? QStringLiteral("true") : QStringLiteral("false"))
                                          .arg(block.m_nNumber));
            !error.isEmpty())
            return error;
    }
    return {};
}
} // namespace

QString QZMJson::ToDocument(const QJsonObject& form, CQZMDoc& doc)
{
    doc.OnNewDocument();

    static const QStringList known{QStringLiteral("description"), QStringLiteral("descriptionBytes"),
                                   QStringLiteral("file"),        QStringLiteral("format"),
                                   QStringLiteral("read"),        QStringLiteral("serialPort"),
                                   QStringLiteral("settings"),    QStringLiteral("title"),
                                   QStringLiteral("write")};
    const QJsonValue format = form.value(QStringLiteral("format"));
    if (format.isUndefined())
        return refusal(QStringLiteral("format"),
                       QStringLiteral("missing: the form starts with \"format\": %1").arg(kFormatVersion));
    if (format != QJsonValue(kFormatVersion))
        return refusal(QStringLiteral("format"), QStringLiteral("%1 is not a version this program reads (it reads %2)")
                                                     .arg(shown(format))
                                                     .arg(kFormatVersion));
    if (QString error = unknownKeys(form, QString(), known); !error.isEmpty())
        return error;

    if (form.contains(QStringLiteral("settings"))) {
        const QJsonValue value = form.value(QStringLiteral("settings"));
        if (!value.isObject())
            return refusal(QStringLiteral("settings"), QStringLiteral("expected an object, got %1").arg(shown(value)));
        const QJsonObject settings = value.toObject();
        const QString prefix = QStringLiteral("settings.");
        static const QStringList knownSettings{
            QStringLiteral("baudRate"),   QStringLiteral("baudRateBps"),  QStringLiteral("parity"),
            QStringLiteral("parityName"), QStringLiteral("protocol"),     QStringLiteral("protocolName"),
            QStringLiteral("timeout")};
        if (QString error = unknownKeys(settings, prefix, knownSettings); !error.isEmpty())
            return error;
        // The protocol first: choosing it puts its settings in place, as in
        // the window, and decides what the others may be. A setting may be
        // given by its name alone; given both, they must agree.
        struct Setting
        {
            QString key;
            QString nameKey;
            Field field;
            const Choices& choices;
        };
        const Setting table[] = {
            {QStringLiteral("protocol"), QStringLiteral("protocolName"), Field::Protocol, kProtocols},
            {QStringLiteral("baudRate"), QStringLiteral("baudRateBps"), Field::BaudRate, kBaudRates},
            {QStringLiteral("parity"), QStringLiteral("parityName"), Field::Parity, kParities},
        };
        for (const Setting& setting : table) {
            const QJsonValue named = settings.value(setting.nameKey);
            QString path = prefix + setting.key;
            QJsonValue value = settings.value(setting.key);
            if (value.isUndefined() && !named.isUndefined()) {
                path = prefix + setting.nameKey;
                // The baud rate's name is its number of bits per second.
                const QString name = named.isDouble() && setting.field == Field::BaudRate
                    ? QString::number(named.toDouble())
                    : named.toString();
                const int index = named.isString() || setting.field == Field::BaudRate ? setting.choices.IndexOf(name) : -1;
                if (index < 0)
                    return refusal(path, QStringLiteral("%1 is none of %2")
                                             .arg(shown(named), setting.choices.Names().join(QStringLiteral(", "))));
                value = index;
            }
            if (value.isUndefined())
                continue;
            if (QString error = store(doc, {setting.field}, value, path); !error.isEmpty())
                return error;
        }
        if (settings.contains(QStringLiteral("timeout"))) {
            if (QString error = store(doc, {Field::Timeout}, settings.value(QStringLiteral("timeout")),
                                      prefix + QStringLiteral("timeout"));
                !error.isEmpty())
                return error;
        }
        if (QString error = checkName(settings, QStringLiteral("protocolName"), prefix,
                                      protocolName(doc.Protocol()),
                                      QStringLiteral("protocol %1").arg(doc.Protocol()));
            !error.isEmpty())
            return error;
        if (QString error = checkName(settings, QStringLiteral("baudRateBps"), prefix,
                                      BaudRateBps(doc.BaudRate()),
                                      QStringLiteral("baudRate %1").arg(doc.BaudRate()));
            !error.isEmpty())
            return error;
        if (QString error = checkName(settings, QStringLiteral("parityName"), prefix, parityName(doc.Parity()),
                                      QStringLiteral("parity %1").arg(doc.Parity()));
            !error.isEmpty())
            return error;
    }
    if (form.contains(QStringLiteral("serialPort"))) {
        if (QString error = store(doc, {Field::SerialPort}, form.value(QStringLiteral("serialPort")),
                                  QStringLiteral("serialPort"));
            !error.isEmpty())
            return error;
    }
    if (QString error = storeDescription(doc, {Field::Description}, form, QString()); !error.isEmpty())
        return error;
    if (QString error = buildList(doc, form, CQZMDoc::List::Read); !error.isEmpty())
        return error;
    if (QString error = buildList(doc, form, CQZMDoc::List::Write); !error.isEmpty())
        return error;
    // As after opening a file: the first entry of each list is shown.
    doc.SetCurrentIndex(CQZMDoc::List::Read, 0);
    doc.SetCurrentIndex(CQZMDoc::List::Write, 0);
    return {};
}

namespace {
// The value of `set KEY=TEXT` as the form would give it.
QJsonValue valueFromText(Field field, const QString& text)
{
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    const QString t = text.trimmed();
    auto named = [&](const Choices& choices) -> QJsonValue {
        for (int i = 0; i < choices.Count(); ++i)
            if (t.compare(QLatin1String(choices.Name(i)), Qt::CaseInsensitive) == 0)
                return i;
        return QJsonValue(QJsonValue::Undefined);
    };
    QJsonValue byName(QJsonValue::Undefined);
    switch (field) {
    case Field::Description:
    case Field::DescriptionBytes:
        return text;
    case Field::Parameter:
        if (t == QLatin1String("true") || t == QLatin1String("1"))
            return true;
        if (t == QLatin1String("false") || t == QLatin1String("0"))
            return false;
        return text;
    case Field::Protocol:
        byName = named(kProtocols);
        break;
    case Field::BaudRate:
        byName = named(kBaudRates);
        break;
    case Field::Parity:
        byName = named(kParities);
        break;
    default:
        break;
    }
    if (!byName.isUndefined())
        return byName;
    if (integer.match(text).hasMatch()) {
        bool ok = false;
        const qlonglong n = t.toLongLong(&ok);
        if (ok)
            return double(n);
    }
    return text;
}
} // namespace

namespace {
// The field a key of `qzm-cli set` names, the entry's index unchecked.
bool parseKey(const QString& key, Target& target, QString& listName)
{
    static const QRegularExpression blockKey(
        QStringLiteral("^(read|write)\\[(\\d{1,9})\\]\\.(description|descriptionBytes|address|number|parameter)$"));
    static const QList<std::pair<QStringList, Field>> documentKeys{
        {{QStringLiteral("description")}, Field::Description},
        {{QStringLiteral("descriptionBytes"), QStringLiteral("description_bytes")}, Field::DescriptionBytes},
        {{QStringLiteral("protocol"), QStringLiteral("settings.protocol")}, Field::Protocol},
        {{QStringLiteral("baud_rate"), QStringLiteral("baudRate"), QStringLiteral("settings.baudRate")}, Field::BaudRate},
        {{QStringLiteral("parity"), QStringLiteral("settings.parity")}, Field::Parity},
        {{QStringLiteral("timeout"), QStringLiteral("settings.timeout")}, Field::Timeout},
        {{QStringLiteral("serial_port"), QStringLiteral("serialPort")}, Field::SerialPort},
    };
    for (const auto& [names, field] : documentKeys) {
        if (names.contains(key)) {
            target = {field};
            return true;
        }
    }
    const QRegularExpressionMatch m = blockKey.match(key);
    if (!m.hasMatch())
        return false;
    listName = m.captured(1);
    const QString field = m.captured(3);
    target.list = listName == QLatin1String("read") ? CQZMDoc::List::Read : CQZMDoc::List::Write;
    target.index = m.captured(2).toInt();
    target.field = field == QLatin1String("description") ? Field::Description
        : field == QLatin1String("descriptionBytes")     ? Field::DescriptionBytes
        : field == QLatin1String("address")              ? Field::Address
        : field == QLatin1String("number")               ? Field::Number
                                                         : Field::Parameter;
    return true;
}
} // namespace

bool QZMJson::KnowsKey(const QString& key)
{
    Target target{Field::Description};
    QString listName;
    return parseKey(key, target, listName);
}

QString QZMJson::Assign(CQZMDoc& doc, const QString& key, const QString& text)
{
    Target target{Field::Description};
    QString listName;
    if (!parseKey(key, target, listName))
        return refusal(key, QStringLiteral("names no field (see qzm-cli set --help)"));
    if (target.index >= 0) {
        const qsizetype count = doc.Blocks(target.list).size();
        if (target.index >= count)
            return refusal(key, count == 0 ? QStringLiteral("the %1 list is empty").arg(listName)
                                           : QStringLiteral("the %1 list holds entries 0..%2").arg(listName).arg(count - 1));
    }
    return store(doc, target, valueFromText(target.field, text), key);
}
