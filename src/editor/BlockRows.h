#pragma once

#include "document/BlockMemory.h"

#include <QList>
#include <QString>

// Block Memories as rows of a spreadsheet: description, address in network,
// P or VB, number. Rows copy as tab-separated text, which spreadsheets paste
// as cells (a cell holding a tab, a line break or a quote is quoted).
QString BlockRowsText(const QList<CBlockMemory>& blocks);

struct BlockRowsParse
{
    QList<CBlockMemory> blocks;
    // Empty when every row was good; else why the first bad one was not.
    QString error;
};

// Rows copied from a spreadsheet, tab-, semicolon- or comma-separated, with
// the ranges and messages of the form; a header row is skipped. One bad row
// and nothing is taken.
BlockRowsParse ParseBlockRows(const QString& text);

// The column headers of the table, in column order (the first is the
// entry's number).
QStringList BlockTableHeaders();
