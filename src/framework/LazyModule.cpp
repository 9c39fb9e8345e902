#include "framework/LazyModule.h"

#include "framework/ProgramLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QFile>
#include <QLibrary>

#include <cstring>
#ifdef Q_OS_LINUX
#include <elf.h>
#endif

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

#ifdef Q_OS_LINUX
// The loader maps a module's parts straight from its file: a part that the
// file does not hold (a copy cut short, a full disk) faults the process
// when it is touched, long after the open succeeded. The headers say how
// long the file must be.
template <typename Ehdr, typename Phdr>
bool elfComplete(QFile& file, qint64 size)
{
    Ehdr header{};
    if (file.read(reinterpret_cast<char*>(&header), sizeof header) != qint64(sizeof header)
        || header.e_phentsize != sizeof(Phdr))
        return false;
    if (quint64(header.e_phoff) + quint64(header.e_phnum) * sizeof(Phdr) > quint64(size)
        || (header.e_shoff && quint64(header.e_shoff) + quint64(header.e_shnum) * header.e_shentsize > quint64(size)))
        return false;
    file.seek(qint64(header.e_phoff));
    for (int i = 0; i < header.e_phnum; ++i) {
        Phdr part{};
        if (file.read(reinterpret_cast<char*>(&part), sizeof part) != qint64(sizeof part))
            return false;
        if (part.p_type != PT_NULL && quint64(part.p_offset) + quint64(part.p_filesz) > quint64(size))
            return false;
    }
    return true;
}

// An existing module file that cannot be whole: not ELF, or shorter than
// its own headers say.
bool moduleDamaged(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false; // missing or unreadable: the loader says which
    const QByteArray ident = file.peek(EI_NIDENT);
    if (ident.size() < EI_NIDENT || !ident.startsWith(ELFMAG))
        return true;
    return ident.at(EI_CLASS) == ELFCLASS64 ? !elfComplete<Elf64_Ehdr, Elf64_Phdr>(file, file.size())
                                            : !elfComplete<Elf32_Ehdr, Elf32_Phdr>(file, file.size());
}
#endif
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
#ifdef Q_OS_LINUX
    const QString file = ModuleDirectory() + QStringLiteral("/libqzm-") + QLatin1String(name) + QStringLiteral(".so");
    if (moduleDamaged(file)) {
        // Told as a module that is not there: the program goes on without it.
        entry.error = QStringLiteral("Cannot load library %1: (%2: the file is damaged or incomplete)")
                          .arg(library.fileName(), file);
        return nullptr;
    }
#endif
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
