#pragma once

#include <QString>

// Parts of the program that need a Qt module which the first frame does not
// (printing, serial ports, the local socket of the shell server) live in
// modules: shared libraries beside the program (lib/qzm/modules/) that it opens on
// first use, so that neither they nor the Qt module and its libraries load
// at start.
//
// The pattern, for a new part as well:
//  - a header declares the part's table of entry points, a struct whose
//    first member is `const char* version` (kModuleVersion), and names the
//    module; the program reaches the part only through that table:
//        const auto* api = ModuleApi<CPrintModuleApi>("printing");
//  - the part's sources go into a static library (Qt and its own code only:
//    a module must not carry a copy of the program's libraries and their
//    state; what it needs of the program is passed in) and into a module
//    target with an entry file defining
//        extern "C" Q_DECL_EXPORT const void* qzm_module_api();
//    see qzm_add_module() in src/CMakeLists.txt;
//  - tests and qzm-cli link the static library through a "_linked"
//    interface target, whose registration source puts the table here, so
//    they run the same code without opening anything.
constexpr const char* kModuleVersion = QZM_MODULE_VERSION;

// The table of a module, from what is linked in, else from its module file;
// nullptr (with the reason in ModuleError) when it cannot be had. A module
// once opened stays open.
const void* LoadModuleApi(const char* name);
template <typename Api>
const Api* ModuleApi(const char* name)
{
    return static_cast<const Api*>(LoadModuleApi(name));
}
QString ModuleError(const char* name);

// Makes a statically linked table available under its module's name.
bool RegisterLinkedModule(const char* name, const void* api);

// Where module files are looked for: beside the program, in the folder its
// installation keeps them in.
QString ModuleDirectory();
