#pragma once

#include <QByteArray>
#include <QString>

// Shared set-up of the tests: the string table and the settings names.
void InitTestEnvironment();

// Writes bytes to a file, making its folder first, failing the test when
// that is not possible.
void WriteTestFile(const QString& path, const QByteArray& bytes);
QByteArray ReadTestFile(const QString& path);
// Bytes from a hex string such as "03 00 00 00".
QByteArray HexBytes(const char* hex);
// A small, valid version-3 .qzm file.
QByteArray SmallQzmFile();

// Leaves a Unix socket file at path that nobody listens on, as a program
// that crashed would; false when it cannot be made.
bool MakeDeadSocketFile(const QString& path);
