#pragma once

// Installs the program's string table into CStringTable.
void InstallQZMStrings();
