#include "document/QZMJson.h"

#include "document/QZMDoc.h"
#include "framework/LocalText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <limits>

using namespace QZMFields;

namespace {
enum class Field { Protocol, BaudRate, Parity, Timeout, SerialPort, Description, DescriptionBytes, Address, Number, Parameter };

// Where a field stands in the form: in "settings", at the top, in each Block
// Memory, or at the top and in each Block Memory.
enum class Place { Settings, Document, Block, Both };

// One field of the JSON form: its key, the name written beside its value,
// the keys `qzm-cli set` also takes for it, and what it may hold.
struct JsonField
{
    Field field;
    Place place;
    const char* key;
    const char* nameKey;
    const char* aliases[2];
    const Choices* choices;
    Range range;
    const char* note; // after a choice's names, or a range ("%1".."%2" are its ends)
    int (CQZMDoc::*get)() const;
    bool (CQZMDoc::*set)(int);
    qint32 CBlockMemory::*member;
};

// In the order a form's settings are stored: choosing the protocol puts its
// settings in place, as in the window, and decides what the others may be.
const JsonField kJsonFields[] = {
    {Field::Protocol, Place::Settings, "protocol", "protocolName", {"settings.protocol"}, &kProtocols, {}, nullptr,
     &CQZMDoc::Protocol, &CQZMDoc::ChooseProtocol, nullptr},
    {Field::BaudRate, Place::Settings, "baudRate", "baudRateBps", {"baud_rate", "settings.baudRate"}, &kBaudRates, {},
     " bps", &CQZMDoc::BaudRate, &CQZMDoc::SetBaudRate, nullptr},
    {Field::Parity, Place::Settings, "parity", "parityName", {"settings.parity"}, &kParities, {}, nullptr,
     &CQZMDoc::Parity, &CQZMDoc::SetParity, nullptr},
    {Field::Timeout, Place::Settings, "timeout", nullptr, {"settings.timeout"}, nullptr, kTimeout, nullptr,
     &CQZMDoc::Timeout, &CQZMDoc::SetTimeout, nullptr},
    {Field::SerialPort, Place::Document, "serialPort", nullptr, {"serial_port"}, nullptr, kSerialPort, "COM%1..COM%2",
     &CQZMDoc::SerialPort, &CQZMDoc::SetSerialPort, nullptr},
    {Field::Description, Place::Both, "description", nullptr, {}, nullptr, {}, nullptr, nullptr, nullptr, nullptr},
    {Field::DescriptionBytes, Place::Both, "descriptionBytes", nullptr, {"description_bytes"}, nullptr, {}, nullptr,
     nullptr, nullptr, nullptr},
    {Field::Address, Place::Block, "address", nullptr, {}, nullptr, kAddress, nullptr, nullptr, nullptr,
     &CBlockMemory::m_nAddress},
    {Field::Number, Place::Block, "number", nullptr, {}, nullptr, kNumber, nullptr, nullptr, nullptr,
     &CBlockMemory::m_nNumber},
    {Field::Parameter, Place::Block, "parameter", nullptr, {}, nullptr, {}, nullptr, nullptr, nullptr, nullptr},
};

const JsonField& JsonFieldOf(Field field)
{
    for (const JsonField& f : kJsonFields)
        if (f.field == field)
            return f;
    Q_UNREACHABLE();
}

QString Key(Field field)
{
    return QLatin1String(JsonFieldOf(field).key);
}

// The sorted keys of the fields in `places`, with `more`.
QStringList KeysIn(std::initializer_list<Place> places, QStringList more)
{
    for (const JsonField& f : kJsonFields) {
        if (std::find(places.begin(), places.end(), f.place) == places.end())
            continue;
        more << QLatin1String(f.key);
        if (f.nameKey)
            more << QLatin1String(f.nameKey);
    }
    more.sort();
    return more;
}

// The name written beside a setting's value: a choice's name, or for the
// baud rate its bits per second.
QJsonValue NameOf(const JsonField& f, int value)
{
    if (f.field == Field::BaudRate)
        return BaudRateBps(value);
    return QLatin1String(f.choices->Name(value));
}

QString ProtocolName(int protocol)
{
    return QLatin1String(kProtocols.Name(protocol));
}

QString ParityName(int parity)
{
    return QLatin1String(kParities.Name(parity));
}

void PutDescription(QJsonObject& o, const QByteArray& bytes)
{
    const QString text = DecodeStoredText(bytes).text;
    o[Key(Field::Description)] = text;
    // The bytes too when the text alone would not give them back.
    if (TextToLocalBytes(text) != bytes)
        o[Key(Field::DescriptionBytes)] = QString::fromLatin1(bytes.toHex());
}

QJsonArray ListToJson(const QList<CBlockMemory*>& blocks)
{
    QJsonArray list;
    for (const CBlockMemory* block : blocks) {
        QJsonObject o;
        PutDescription(o, block->m_strDescription);
        o[Key(Field::Address)] = block->m_nAddress;
        o[Key(Field::Number)] = block->m_nNumber;
        o[Key(Field::Parameter)] = block->m_bParameter != 0;
        o[QStringLiteral("item")] = block->ItemName();
        list.append(o);
    }
    return list;
}
} // namespace

QJsonObject QZMJson::FromDocument(const CQZMDoc& doc)
{
    QJsonObject settings;
    QJsonObject root;
    for (const JsonField& f : kJsonFields) {
        if (!f.get)
            continue;
        QJsonObject& o = f.place == Place::Settings ? settings : root;
        const int value = (doc.*f.get)();
        o[QLatin1String(f.key)] = value;
        if (f.nameKey)
            o[QLatin1String(f.nameKey)] = NameOf(f, value);
    }
    root[QStringLiteral("format")] = kFormatVersion;
    root[QStringLiteral("settings")] = settings;
    PutDescription(root, doc.Description());
    root[QStringLiteral("read")] = ListToJson(doc.ReadBlocks());
    root[QStringLiteral("write")] = ListToJson(doc.WriteBlocks());
    return root;
}

namespace {
// A text field stores its length plus the terminating zero in 32 bits.
constexpr qsizetype kMaxTextBytes = std::numeric_limits<qint32>::max() - 1;

// A field of the document, or of one Block Memory when index >= 0.
struct Target
{
    Field field;
    CQZMDoc::List list = CQZMDoc::List::Read;
    int index = -1;
};

QString Shown(const QJsonValue& value)
{
    if (value.isUndefined())
        return QStringLiteral("nothing");
    if (value.isString())
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    const QJsonArray wrapped{value};
    const QByteArray text = QJsonDocument(wrapped).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

QString Refusal(const QString& path, const QString& reason)
{
    return path + QStringLiteral(": ") + reason;
}

bool WholeNumber(const QJsonValue& value, const QString& path, qint64& number, QString& error)
{
    const double d = value.toDouble();
    if (!value.isDouble() || !std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 1e15) {
        error = Refusal(path, QStringLiteral("expected a whole number, got %1").arg(Shown(value)));
        return false;
    }
    number = qint64(d);
    return true;
}

bool InRange(qint64 number, Range range, const QString& path, QString& error, const QString& note = {})
{
    if (range.Contains(number))
        return true;
    error = Refusal(path, QStringLiteral("%1 is out of range %2..%3").arg(number).arg(range.min).arg(range.max));
    if (!note.isEmpty())
        error += QStringLiteral(" (%1)").arg(note);
    return false;
}

// A Choices table's indices with their names, for a message.
QString ChoicesNote(const Choices& choices, const QString& unit = {})
{
    QStringList parts;
    for (int i = 0; i < choices.Count(); ++i)
        parts << QStringLiteral("%1 = %2").arg(i).arg(QLatin1String(choices.Name(i)));
    return parts.join(QStringLiteral(", ")) + unit;
}

// The editor marks the document modified for each change it stores.
void Changed(CQZMDoc& doc, bool stored)
{
    if (stored)
        doc.SetModifiedFlag(true);
}

// A new text goes in the encoding the field's old text was read in, as in
// the editor.
bool TextBytes(const QString& text, const QString& path, const QByteArray& old, QByteArray& bytes, QString& error)
{
    if (text.contains(QChar(0))) {
        error = Refusal(path, QStringLiteral("holds a zero character, which the file cannot store"));
        return false;
    }
    bytes = EncodeStoredText(text, DecodeStoredText(old).encoding);
    if (DecodeStoredText(bytes).text != text) {
        error = Refusal(path, QStringLiteral("holds characters the system's text encoding cannot store "
                                             "(give the bytes as descriptionBytes)"));
        return false;
    }
    if (bytes.size() > kMaxTextBytes) {
        error = Refusal(path, QStringLiteral("is longer than the file can store"));
        return false;
    }
    return true;
}

bool HexBytes(const QJsonValue& value, const QString& path, QByteArray& bytes, QString& error)
{
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    if (!value.isString() || !hex.match(value.toString()).hasMatch()) {
        error = Refusal(path, QStringLiteral("expected the bytes as pairs of hex digits, got %1").arg(Shown(value)));
        return false;
    }
    bytes = QByteArray::fromHex(value.toString().toLatin1());
    if (bytes.contains('\0')) {
        error = Refusal(path, QStringLiteral("holds a zero byte, which the file cannot store"));
        return false;
    }
    if (bytes.size() > kMaxTextBytes) {
        error = Refusal(path, QStringLiteral("is longer than the file can store"));
        return false;
    }
    return true;
}

// The refusal of a parity or time-out the chosen protocol fixes otherwise,
// or an empty text.
QString FixedByProtocol(const CQZMDoc& doc, Field field, qint64 n, const QString& path)
{
    if (!doc.ProtocolFixesSettings())
        return {};
    if (field == Field::Parity && n != kParityEven)
        return Refusal(path, QStringLiteral("%1 (%2) cannot be chosen with protocol %3, which fixes the parity at %4 (%5)")
                                 .arg(n)
                                 .arg(ParityName(int(n)))
                                 .arg(ProtocolName(doc.Protocol()))
                                 .arg(int(kParityEven))
                                 .arg(ParityName(kParityEven)));
    if (field == Field::Timeout && n != kZelvraTimeout)
        return Refusal(path, QStringLiteral("%1 cannot be chosen with protocol %2, which fixes the time-out at %3")
                                 .arg(n)
                                 .arg(ProtocolName(doc.Protocol()))
                                 .arg(kZelvraTimeout));
    return {};
}

// Stores one value as the editor's field would take it; the refusal, or an
// empty text.
QString Store(CQZMDoc& doc, const Target& target, const QJsonValue& value, const QString& path)
{
    QString error;
    CBlockMemory block;
    if (target.index >= 0)
        block = *doc.Blocks(target.list).at(target.index);
    auto storeBlock = [&] { Changed(doc, doc.SetBlock(target.list, target.index, block)); };
    qint64 n = 0;
    switch (target.field) {
    case Field::Description:
    case Field::DescriptionBytes: {
        QByteArray bytes;
        if (target.field == Field::Description) {
            if (!value.isString())
                return Refusal(path, QStringLiteral("expected a text, got %1").arg(Shown(value)));
            const QByteArray& old = target.index < 0 ? doc.Description() : block.m_strDescription;
            if (!TextBytes(value.toString(), path, old, bytes, error))
                return error;
        } else if (!HexBytes(value, path, bytes, error)) {
            return error;
        }
        if (target.index < 0) {
            Changed(doc, doc.SetDescription(bytes));
        } else {
            block.m_strDescription = bytes;
            storeBlock();
        }
        return {};
    }
    case Field::Parameter:
        if (!value.isBool())
            return Refusal(path, QStringLiteral("expected true (Parameter) or false (Basic Variable), got %1")
                                     .arg(Shown(value)));
        block.m_bParameter = value.toBool() ? 1 : 0;
        storeBlock();
        return {};
    default:
        break;
    }

    if (!WholeNumber(value, path, n, error))
        return error;
    const JsonField& f = JsonFieldOf(target.field);
    const Range range = f.choices ? Range{0, f.choices->Count() - 1} : f.range;
    QString note;
    if (f.choices)
        note = ChoicesNote(*f.choices, QLatin1String(f.note));
    else if (f.note)
        note = QString::fromLatin1(f.note).arg(range.min).arg(range.max);
    if (!InRange(n, range, path, error, note))
        return error;
    if (QString refused = FixedByProtocol(doc, target.field, n, path); !refused.isEmpty())
        return refused;
    if (f.set) {
        Changed(doc, (doc.*f.set)(int(n)));
    } else {
        block.*f.member = qint32(n);
        storeBlock();
    }
    return {};
}

QString UnknownKeys(const QJsonObject& o, const QString& prefix, const QStringList& known)
{
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!known.contains(it.key()))
            return Refusal(prefix + it.key(), QStringLiteral("unknown key (known here: %1)").arg(known.join(QStringLiteral(", "))));
    return {};
}

// A name beside a value ("protocolName", "item") must say what the value does.
QString CheckName(const QJsonObject& o, const QString& key, const QString& prefix, const QJsonValue& expected,
                  const QString& what)
{
    const QJsonValue given = o.value(key);
    // A baud rate is named by its number, written either way.
    if (given.isUndefined() || given == expected
        || (given.isString() && expected.isDouble() && given.toString() == QString::number(expected.toInt())))
        return {};
    return Refusal(prefix + key, QStringLiteral("%1 does not match %2 (%3); change or remove it")
                                     .arg(Shown(given), what, Shown(expected)));
}

// The description, from its text or its bytes; both when given must agree.
QString StoreDescription(CQZMDoc& doc, const Target& at, const QJsonObject& o, const QString& prefix)
{
    const QString textKey = Key(Field::Description);
    const QString bytesKey = Key(Field::DescriptionBytes);
    Target target = at;
    if (!o.contains(bytesKey)) {
        if (!o.contains(textKey))
            return {};
        target.field = Field::Description;
        return Store(doc, target, o.value(textKey), prefix + textKey);
    }
    target.field = Field::DescriptionBytes;
    if (QString error = Store(doc, target, o.value(bytesKey), prefix + bytesKey); !error.isEmpty())
        return error;
    if (!o.contains(textKey))
        return {};
    if (!o.value(textKey).isString())
        return Refusal(prefix + textKey, QStringLiteral("expected a text, got %1").arg(Shown(o.value(textKey))));
    const QByteArray& bytes = at.index >= 0 ? doc.Blocks(at.list).at(at.index)->m_strDescription : doc.Description();
    if (DecodeStoredText(bytes).text != o.value(textKey).toString())
        return Refusal(prefix + bytesKey, QStringLiteral("does not give the description's text; change or remove one "
                                                         "of the two"));
    return {};
}

QString BuildList(CQZMDoc& doc, const QJsonObject& form, CQZMDoc::List list)
{
    const QString name = list == CQZMDoc::List::Read ? QStringLiteral("read") : QStringLiteral("write");
    if (!form.contains(name))
        return {};
    const QJsonValue value = form.value(name);
    if (!value.isArray())
        return Refusal(name, QStringLiteral("expected a list of Block Memories, got %1").arg(Shown(value)));
    const QJsonArray entries = value.toArray();
    if (entries.size() > kMaxBlocks)
        return Refusal(name, QStringLiteral("%1 Block Memories, but a list holds at most %2")
                                 .arg(entries.size())
                                 .arg(kMaxBlocks));
    static const QStringList known = KeysIn({Place::Block, Place::Both}, {QStringLiteral("item")});
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString prefix = QStringLiteral("%1[%2].").arg(name).arg(i);
        if (!entries.at(i).isObject())
            return Refusal(prefix.chopped(1),
                           QStringLiteral("expected a Block Memory object, got %1").arg(Shown(entries.at(i))));
        const QJsonObject o = entries.at(i).toObject();
        if (QString error = UnknownKeys(o, prefix, known); !error.isEmpty())
            return error;
        // As Insert does in the window: a default entry after the current one.
        if (!doc.InsertBlock(list))
            return Refusal(prefix.chopped(1), QStringLiteral("the list is full"));
        const Target at{Field::Address, list, doc.CurrentIndex(list)};
        if (QString error = StoreDescription(doc, at, o, prefix); !error.isEmpty())
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
                return Refusal(prefix + QStringLiteral("item"),
                               QStringLiteral("expected P or VB and a number, as \"P100\" or \"VB12\", got %1")
                                   .arg(Shown(item)));
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
            if (QString error = Store(doc, {field, list, at.index}, values.value(key), path); !error.isEmpty())
                return error;
        }
        const CBlockMemory& block = *doc.Blocks(list).at(at.index);
        if (QString error = CheckName(o, QStringLiteral("item"), prefix, block.ItemName(),
                                      QStringLiteral("parameter %1 and number %2")
                                          .arg(block.m_bParameter ? QStringLiteral("true") : QStringLiteral("false"))
                                          .arg(block.m_nNumber));
            !error.isEmpty())
            return error;
    }
    return {};
}
} // namespace

namespace {
// A setting given by its name alone: its index, or the refusal.
QString IndexOfName(const JsonField& f, const QJsonValue& named, const QString& path, QJsonValue& value)
{
    // The baud rate's name is its number of bits per second.
    const bool byNumber = f.field == Field::BaudRate;
    const QString name = named.isDouble() && byNumber ? QString::number(named.toDouble()) : named.toString();
    const int index = named.isString() || byNumber ? f.choices->IndexOf(name) : -1;
    if (index < 0)
        return Refusal(path, QStringLiteral("%1 is none of %2").arg(Shown(named), f.choices->Names().join(QStringLiteral(", "))));
    value = index;
    return {};
}

// The form's "settings", in the table's order. A setting may be given by its
// name alone; given both, they must agree.
QString StoreSettings(CQZMDoc& doc, const QJsonValue& given)
{
    const QString prefix = QStringLiteral("settings.");
    if (!given.isObject())
        return Refusal(prefix.chopped(1), QStringLiteral("expected an object, got %1").arg(Shown(given)));
    const QJsonObject settings = given.toObject();
    static const QStringList known = KeysIn({Place::Settings}, {});
    if (QString error = UnknownKeys(settings, prefix, known); !error.isEmpty())
        return error;
    for (const JsonField& f : kJsonFields) {
        if (f.place != Place::Settings)
            continue;
        QString path = prefix + QLatin1String(f.key);
        QJsonValue value = settings.value(QLatin1String(f.key));
        const QJsonValue named = f.nameKey ? settings.value(QLatin1String(f.nameKey)) : QJsonValue(QJsonValue::Undefined);
        if (value.isUndefined() && !named.isUndefined()) {
            path = prefix + QLatin1String(f.nameKey);
            if (QString error = IndexOfName(f, named, path, value); !error.isEmpty())
                return error;
        }
        if (value.isUndefined())
            continue;
        if (QString error = Store(doc, {f.field}, value, path); !error.isEmpty())
            return error;
    }
    for (const JsonField& f : kJsonFields) {
        if (f.place != Place::Settings || !f.nameKey)
            continue;
        const int value = (doc.*f.get)();
        if (QString error = CheckName(settings, QLatin1String(f.nameKey), prefix, NameOf(f, value),
                                      QStringLiteral("%1 %2").arg(QLatin1String(f.key)).arg(value));
            !error.isEmpty())
            return error;
    }
    return {};
}
} // namespace

QString QZMJson::ToDocument(const QJsonObject& form, CQZMDoc& doc)
{
    doc.OnNewDocument();

    static const QStringList known = KeysIn({Place::Document, Place::Both}, {QStringLiteral("file"), QStringLiteral("format"),
                                                                             QStringLiteral("read"), QStringLiteral("settings"),
                                                                             QStringLiteral("title"), QStringLiteral("write")});
    const QJsonValue format = form.value(QStringLiteral("format"));
    if (format.isUndefined())
        return Refusal(QStringLiteral("format"),
                       QStringLiteral("missing: the form starts with \"format\": %1").arg(kFormatVersion));
    if (format != QJsonValue(kFormatVersion))
        return Refusal(QStringLiteral("format"), QStringLiteral("%1 is not a version this program reads (it reads %2)")
                                                     .arg(Shown(format))
                                                     .arg(kFormatVersion));
    if (QString error = UnknownKeys(form, QString(), known); !error.isEmpty())
        return error;

    if (form.contains(QStringLiteral("settings"))) {
        if (QString error = StoreSettings(doc, form.value(QStringLiteral("settings"))); !error.isEmpty())
            return error;
    }
    if (form.contains(Key(Field::SerialPort))) {
        if (QString error = Store(doc, {Field::SerialPort}, form.value(Key(Field::SerialPort)), Key(Field::SerialPort));
            !error.isEmpty())
            return error;
    }
    if (QString error = StoreDescription(doc, {Field::Description}, form, QString()); !error.isEmpty())
        return error;
    if (QString error = BuildList(doc, form, CQZMDoc::List::Read); !error.isEmpty())
        return error;
    if (QString error = BuildList(doc, form, CQZMDoc::List::Write); !error.isEmpty())
        return error;
    // As after opening a file: the first entry of each list is shown.
    doc.SetCurrentIndex(CQZMDoc::List::Read, 0);
    doc.SetCurrentIndex(CQZMDoc::List::Write, 0);
    return {};
}

namespace {
// The value of `set KEY=TEXT` as the form would give it.
QJsonValue ValueFromText(Field field, const QString& text)
{
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    const QString t = text.trimmed();
    auto named = [&](const Choices& choices) -> QJsonValue {
        for (int i = 0; i < choices.Count(); ++i)
            if (t.compare(QLatin1String(choices.Name(i)), Qt::CaseInsensitive) == 0)
                return i;
        return QJsonValue(QJsonValue::Undefined);
    };
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
    default:
        break;
    }
    const Choices* choices = JsonFieldOf(field).choices;
    const QJsonValue byName = choices ? named(*choices) : QJsonValue(QJsonValue::Undefined);
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
bool ParseKey(const QString& key, Target& target, QString& listName)
{
    for (const JsonField& f : kJsonFields) {
        if (f.place == Place::Block)
            continue;
        const auto& aliases = f.aliases;
        if (key == QLatin1String(f.key) || std::find_if(std::begin(aliases), std::end(aliases), [&](const char* alias) {
                return alias && key == QLatin1String(alias);
            }) != std::end(aliases)) {
            target = {f.field};
            return true;
        }
    }
    static const QRegularExpression blockKey(QStringLiteral("^(read|write)\\[(\\d{1,9})\\]\\.(%1)$")
                                                 .arg(KeysIn({Place::Block, Place::Both}, {}).join(QLatin1Char('|'))));
    const QRegularExpressionMatch m = blockKey.match(key);
    if (!m.hasMatch())
        return false;
    listName = m.captured(1);
    target.list = listName == QLatin1String("read") ? CQZMDoc::List::Read : CQZMDoc::List::Write;
    target.index = m.captured(2).toInt();
    for (const JsonField& f : kJsonFields)
        if (m.captured(3) == QLatin1String(f.key))
            target.field = f.field;
    return true;
}
} // namespace

bool QZMJson::KnowsKey(const QString& key)
{
    Target target{Field::Description};
    QString listName;
    return ParseKey(key, target, listName);
}

QString QZMJson::Assign(CQZMDoc& doc, const QString& key, const QString& text)
{
    Target target{Field::Description};
    QString listName;
    if (!ParseKey(key, target, listName))
        return Refusal(key, QStringLiteral("names no field (see qzm-cli set --help)"));
    if (target.index >= 0) {
        const qsizetype count = doc.Blocks(target.list).size();
        if (target.index >= count)
            return Refusal(key, count == 0 ? QStringLiteral("the %1 list is empty").arg(listName)
                                           : QStringLiteral("the %1 list holds entries 0..%2").arg(listName).arg(count - 1));
    }
    return Store(doc, target, ValueFromText(target.field, text), key);
}

namespace {
// Walks JSON text the parser has accepted, with the place of each value
// as the refusals name it ("read[2].address").
class CDuplicateKeyScan
{
public:
    explicit CDuplicateKeyScan(const QByteArray& json) : m_json(json) {}

    // False once a key was found twice (its place in m_found).
    bool Value(const QString& path)
    {
        Blanks();
        const char c = At();
        if (c == '{')
            return Object(path);
        if (c == '[')
            return Array(path);
        if (c == '"') {
            String();
            return true;
        }
        while (m_at < m_json.size() && !std::strchr(",}] \t\r\n", m_json.at(m_at)))
            ++m_at;
        return true;
    }
    QString m_found;

private:
    char At() const { return m_at < m_json.size() ? m_json.at(m_at) : '\0'; }
    void Blanks()
    {
        while (m_at < m_json.size() && std::strchr(" \t\r\n", m_json.at(m_at)) && m_json.at(m_at))
            ++m_at;
    }
    QString String()
    {
        const qsizetype start = m_at++;
        bool escaped = false;
        while (m_at < m_json.size() && m_json.at(m_at) != '"') {
            escaped = escaped || m_json.at(m_at) == '\\';
            m_at += m_json.at(m_at) == '\\' ? 2 : 1;
        }
        const QByteArray raw = m_json.mid(start, ++m_at - start);
        if (!escaped)
            return QString::fromUtf8(raw.mid(1, raw.size() - 2));
        // "\u0061" and "a" are one key.
        return QJsonDocument::fromJson('[' + raw + ']').array().at(0).toString();
    }
    bool Object(const QString& path)
    {
        ++m_at;
        QSet<QString> keys;
        for (;;) {
            Blanks();
            if (At() == '}') {
                ++m_at;
                return true;
            }
            const QString key = String();
            const QString place = path.isEmpty() ? key : path + QLatin1Char('.') + key;
            if (keys.contains(key)) {
                m_found = place;
                return false;
            }
            keys.insert(key);
            Blanks();
            ++m_at; // ':'
            if (!Value(place))
                return false;
            Blanks();
            if (At() == ',')
                ++m_at;
        }
    }
    bool Array(const QString& path)
    {
        ++m_at;
        for (int index = 0;; ++index) {
            Blanks();
            if (At() == ']') {
                ++m_at;
                return true;
            }
            if (!Value(QStringLiteral("%1[%2]").arg(path).arg(index)))
                return false;
            Blanks();
            if (At() == ',')
                ++m_at;
        }
    }

    const QByteArray& m_json;
    qsizetype m_at = 0;
};
} // namespace

QString QZMJson::DuplicateKey(const QByteArray& json)
{
    CDuplicateKeyScan scan(json);
    if (scan.Value(QString()))
        return {};
    return Refusal(scan.m_found, QStringLiteral("is given twice; give each key once"));
}
