#pragma once

#include <QObject>
#include <QString>

// Parts of the program that need a Qt module which the first frame does not
// (printing, serial ports, the local socket of the shell server) are Qt
// plugins that the program opens on first use, so that neither they nor the
// Qt module and its libraries load at start.
//
// The pattern, for a new part as well:
//  - XxxInterface.h: an abstract class with Q_DECLARE_INTERFACE and an
//    interface id made with QZM_PLUGIN_IID, and the plugin's name; the
//    program reaches the part only through it:
//        auto* printing = Plugin<CPrintingInterface>(kPrintingPlugin);
//  - XxxPlugin.h/.cpp: the plugin class (Q_PLUGIN_METADATA, Q_INTERFACES);
//    it and the part's other sources hold Qt and their own code only: what
//    the part needs of the program is passed in. qzm_add_plugin() in
//    src/CMakeLists.txt builds the plugin file the program opens (beside it,
//    see PluginDirectory) and the same plugin static, which qzm-cli and the
//    tests link: Qt imports it, and they run the same code without opening
//    anything.

// An interface id: the part and the program's version, so that a plugin
// file of another version is refused before it is opened.
#define QZM_PLUGIN_IID(part) "io.github.zelvra.qzm." part "/" QZM_PLUGIN_VERSION

// The plugin `name` implementing the interface `iid`: one linked in, else
// from its plugin file; nullptr (with the reason in PluginError) when it
// cannot be had. A plugin once opened stays open.
QObject* LoadPlugin(const char* name, const char* iid);
template <typename Interface>
Interface* Plugin(const char* name)
{
    return qobject_cast<Interface*>(LoadPlugin(name, qobject_interface_iid<Interface*>()));
}
QString PluginError(const char* name);

// Where plugin files are looked for: beside the program, in the folder its
// installation keeps them in.
QString PluginDirectory();
// The file the plugin `name` is opened from.
QString PluginFilePath(const char* name);
