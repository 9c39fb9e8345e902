#pragma once

#include <QString>
#include <QStringList>

// "--help" and "--version", which every program on a Linux desktop answers
// on its standard output. They are no switches of the command line proper:
// that one reads "-x" and "/x" as switch "x", so "--help" would be an unknown
// switch "-help" and be ignored. Returns the text to print, or an empty
// string when neither was given. Looked at before the window system is
// reached, so both work without a display.
QString InformationSwitchText(const QStringList& arguments);
