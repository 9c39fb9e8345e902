#pragma once

#include <QList>
#include <QString>

class CQZMDoc;

// What differs between two configurations, in the words of the form: the
// settings by their labels, the description, then each Read and each Write
// Block Memory by its number; entries beyond the end of the shorter list
// are added or removed.
struct QZMDifference
{
    enum class Change { Changed, Added, Removed };
    enum class Section { Settings, Read, Write };

    Change change = Change::Changed;
    Section section = Section::Settings;
    int entry = 0;      // Block Memory number, from 1; 0 for a setting
    QString field;      // the key of the JSON form ("address", "parity", ...); empty for a whole entry
    QString label;      // the form's label ("Address in network")
    QString before;     // as the form shows the value; a whole entry in one line
    QString after;

    // "Read Block Memory 03" or "Settings".
    QString Where() const;
    // One line: "Read Block Memory 03: Address in network: 12 -> 13".
    QString Line() const;
};

QList<QZMDifference> DiffConfigurations(const CQZMDoc& before, const CQZMDoc& after);
