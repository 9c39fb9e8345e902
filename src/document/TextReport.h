#pragma once

#include <QByteArray>
#include <QString>

class CQZMDoc;

// The report name for a document title: the title up to its first "."
// followed by ".txt".
QString ReportNameFromTitle(const QString& title);

// The plain-text report of the document, CR LF line ends.
QByteArray BuildTextReport(const CQZMDoc& doc, const QString& reportName);
