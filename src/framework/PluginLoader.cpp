#include "framework/PluginLoader.h"

#include "framework/ProgramLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonObject>
#include <QMutex>
#include <QPluginLoader>

#ifdef Q_OS_LINUX
#include <elf.h>
#endif

namespace {
struct PluginEntry
{
    QObject* instance = nullptr;
    QString error;
    bool tried = false;
};

// qzm-cli's send threads open their links at once: one plugin load at a
// time, and nobody reads an entry another thread is still filling in.
QMutex& PluginsLock()
{
    static QMutex lock;
    return lock;
}

QHash<QByteArray, PluginEntry>& Plugins()
{
    static QHash<QByteArray, PluginEntry> plugins;
    return plugins;
}

QString PluginIid(const QJsonObject& metaData)
{
    return metaData.value(QLatin1String("IID")).toString();
}

#ifdef Q_OS_LINUX
// The loader maps a plugin's parts straight from its file: a part that the
// file does not hold (a copy cut short, a full disk) faults the process
// when it is touched, long after the open succeeded. The headers say how
// long the file must be.
template <typename Ehdr, typename Phdr>
bool ElfComplete(QFile& file, qint64 size)
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

// An existing plugin file that cannot be whole: not ELF, or shorter than
// its own headers say.
bool PluginDamaged(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false; // missing or unreadable: the loader says which
    const QByteArray ident = file.peek(EI_NIDENT);
    if (ident.size() < EI_NIDENT || !ident.startsWith(ELFMAG))
        return true;
    return ident.at(EI_CLASS) == ELFCLASS64 ? !ElfComplete<Elf64_Ehdr, Elf64_Phdr>(file, file.size())
                                            : !ElfComplete<Elf32_Ehdr, Elf32_Phdr>(file, file.size());
}
#endif
} // namespace

QString PluginDirectory()
{
    return ProgramRelativeFolder(QStringLiteral(QZM_PLUGIN_RELATIVE_DIR));
}

QString PluginFilePath(const char* name)
{
    // The file name as the build makes it on this platform (prefix, suffix).
    return PluginDirectory() + QLatin1Char('/') + QStringLiteral(QZM_PLUGIN_FILE_PREFIX "qzm-")
           + QLatin1String(name) + QStringLiteral(QZM_PLUGIN_FILE_SUFFIX);
}

QObject* LoadPlugin(const char* name, const char* iid)
{
    const QMutexLocker locker(&PluginsLock());
    PluginEntry& entry = Plugins()[name];
    if (entry.tried)
        return entry.instance;
    entry.tried = true;
    const QString wanted = QLatin1String(iid);
    // qzm-cli and the tests carry their plugins linked in.
    const QList<QStaticPlugin> linked = QPluginLoader::staticPlugins();
    for (const QStaticPlugin& plugin : linked) {
        if (PluginIid(plugin.metaData()) == wanted)
            return entry.instance = plugin.instance();
    }
    const QString file = PluginFilePath(name);
    // Qt's loader would not name the file it missed.
    if (!QFileInfo::exists(file)) {
        entry.error = QStringLiteral("Cannot load library %1: (%1: no such file)").arg(file);
        return nullptr;
    }
#ifdef Q_OS_LINUX
    if (PluginDamaged(file)) {
        // Told as a plugin that is not there: the program goes on without it.
        entry.error = QStringLiteral("Cannot load library %1: (%1: the file is damaged or incomplete)").arg(file);
        return nullptr;
    }
#endif
    // Never unloaded: objects the plugin made may outlive any one caller.
    QPluginLoader loader(file);
    loader.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    // Qt reads the interface id from the file without opening it.
    const QString found = PluginIid(loader.metaData());
    const QString part = wanted.section(QLatin1Char('/'), 0, 0) + QLatin1Char('/');
    if (!found.isEmpty() && found != wanted) {
        entry.error = found.startsWith(part) ? QStringLiteral("%1 is of another version of the program").arg(file)
                                             : QStringLiteral("%1 is not the %2 plugin").arg(file, QLatin1String(name));
        return nullptr;
    }
    // The loader checks Qt's version and build key as it opens the file.
    QObject* instance = loader.instance();
    if (!instance) {
        entry.error = loader.errorString();
        return nullptr;
    }
    if (!instance->qt_metacast(iid)) {
        entry.error = QStringLiteral("%1 is not the %2 plugin").arg(file, QLatin1String(name));
        return nullptr;
    }
    return entry.instance = instance;
}

QString PluginError(const char* name)
{
    const QMutexLocker locker(&PluginsLock());
    return Plugins().value(name).error;
}
