#include "framework/LazyModule.h"

#include "framework/ProgramLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QLibrary>

#include <cstring>

namespace {
struct ModuleEntry
{
    const void* api = nullptr;
    QString error;
    bool tried = false;
};

QHash<QByteArray, ModuleEntry>& Modules()
{
    static QHash<QByteArray, ModuleEntry> modules;
    return modules;
}

struct ApiHead
{
    const char* version;
};
} // namespace

bool RegisterLinkedModule(const char* name, const void* api)
{
    ModuleEntry& entry = Modules()[name];
    entry.api = api;
    entry.tried = true;
    return true;
}

QString ModuleDirectory()
{
    return ProgramRelativeFolder(QStringLiteral(QZM_MODULE_RELATIVE_DIR));
}

const void* LoadModuleApi(const char* name)
{
    ModuleEntry& entry = Modules()[name];
    if (entry.tried)
        return entry.api;
    entry.tried = true;
    // Never unloaded: objects the module made may outlive any one caller.
    QLibrary library(ModuleDirectory() + QStringLiteral("/qzm-") + QLatin1String(name));
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    using Entry = const void* (*)();
    const auto resolve = reinterpret_cast<Entry>(library.resolve("qzm_module_api"));
    if (!resolve) {
        entry.error = library.errorString();
        return nullptr;
    }
    const void* api = resolve();
    const auto* head = static_cast<const ApiHead*>(api);
    if (!head || !head->version || std::strcmp(head->version, kModuleVersion) != 0) {
        entry.error = QStringLiteral("%1 is of another version of the program").arg(library.fileName());
        return nullptr;
    }
    entry.api = api;
    return api;
}

QString ModuleError(const char* name)
{
    return Modules().value(name).error;
}
