#pragma once

#include <QJsonObject>
#include <QString>

class CQZMDoc;

// The document as JSON: what `qzm-cli show` writes and `qzm-cli create`
// reads. The "format" key versions the form; a reader refuses a version it
// does not know.
namespace QZMJson {
constexpr int kFormatVersion = 1;

// Every field of the document, and beside each setting and Block Memory the
// names the window shows ("protocolName", "item", ...). A description whose
// bytes the locale's text cannot give back exactly also comes as
// "descriptionBytes" (hex), so nothing is lost on the way back.
QJsonObject FromDocument(const CQZMDoc& doc);
} // namespace QZMJson

namespace QZMJson {
// Builds doc, a new document, from the form through the editor's own steps
// and limits: a missing key keeps the value of a new document or of a newly
// inserted Block Memory, a value the editor would refuse ends the build.
// Returns the first refusal as "path: reason" (path as in the JSON, e.g.
// "read[3].address"), or an empty text when the document is complete.
QString ToDocument(const QJsonObject& form, CQZMDoc& doc);
// A key given twice in one object of valid JSON text (the parser keeps
// only one of them): the refusal naming its place; empty when none.
QString DuplicateKey(const QByteArray& json);

// Changes one field of doc as the editor would: key is a path of the form
// ("settings.timeout", "read[0].address") or one of the short names
// "description", "protocol", "baud_rate", "parity", "timeout",
// "serial_port"; text is the value as typed (a setting also takes its name,
// "MODBUS-RTU", "9600", "NONE"). Returns the refusal as "key: reason", or an
// empty text.
QString Assign(CQZMDoc& doc, const QString& key, const QString& text);
// Whether Assign knows the key (whatever the document holds).
bool KnowsKey(const QString& key);
} // namespace QZMJson
