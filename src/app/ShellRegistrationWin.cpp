// Registration in the current user's classes, HKEY_CURRENT_USER\Software\Classes,
// which the shell merges into HKEY_CLASSES_ROOT. Needs no administrator.
#include "app/ShellRegistration.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

#include <optional>
#include <string>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {
const QString kClasses = QStringLiteral("Software\\Classes\\");

std::wstring Wide(const QString& text)
{
    return text.toStdWString();
}

// The default value of a key, or nothing when the key or value is missing.
std::optional<QString> DefaultValue(HKEY root, const QString& subKey)
{
    DWORD bytes = 0;
    const std::wstring key = Wide(subKey);
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer.data(), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return QString::fromWCharArray(buffer.c_str());
}

// Writes a string value under the user's classes when it differs.
bool SetValue(const QString& subKey, const wchar_t* name, const QString& value, bool* changed)
{
    const std::wstring key = Wide(kClasses + subKey);
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &handle, nullptr)
        != ERROR_SUCCESS)
        return false;
    const std::wstring data = Wide(value);
    DWORD bytes = 0;
    bool same = false;
    if (RegGetValueW(handle, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) == ERROR_SUCCESS) {
        std::wstring current(bytes / sizeof(wchar_t) + 1, L'\0');
        if (RegGetValueW(handle, nullptr, name, RRF_RT_REG_SZ, nullptr, current.data(), &bytes) == ERROR_SUCCESS)
            same = QString::fromWCharArray(current.c_str()) == value;
    }
    LONG result = ERROR_SUCCESS;
    if (!same) {
        result = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                DWORD((data.size() + 1) * sizeof(wchar_t)));
        if (result == ERROR_SUCCESS)
            *changed = true;
    }
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

// The program's full path in its short form; quoted should 8.3 names be
// switched off and the path still hold a blank.
QString ShortProgramPath(const QString& path)
{
    std::wstring native = Wide(QDir::toNativeSeparators(path));
    const DWORD needed = GetShortPathNameW(native.c_str(), nullptr, 0);
    if (needed > 0) {
        std::wstring buffer(needed, L'\0');
        const DWORD length = GetShortPathNameW(native.c_str(), buffer.data(), needed);
        if (length > 0 && length < needed) {
            buffer.resize(length);
            native = buffer;
        }
    }
    QString result = QString::fromStdWString(native);
    if (result.contains(QLatin1Char(' ')))
        result = QLatin1Char('"') + result + QLatin1Char('"');
    return result;
}
} // namespace

bool CShellRegistration::Register()
{
    if (m_program.isEmpty() || m_type.typeId.isEmpty() || m_type.extension.isEmpty())
        return false;
    const QString program = ShortProgramPath(m_program);
    const std::wstring native = Wide(QDir::toNativeSeparators(m_program));
    // The document icon is the executable's second icon.
    const UINT icons = ExtractIconExW(native.c_str(), -1, nullptr, nullptr, 0);
    const QString defaultIcon = program + (icons > 1 ? QStringLiteral(",1") : QStringLiteral(",0"));

    bool changed = false;
    const QString& id = m_type.typeId;
    const bool typeWritten =
        SetValue(id, nullptr, m_type.typeName, &changed)
        && SetValue(id + QStringLiteral("\\DefaultIcon"), nullptr, defaultIcon, &changed)
        && SetValue(id + QStringLiteral("\\shell\\open\\command"), nullptr, program + QStringLiteral(" \"%1\""),
                    &changed)
        && SetValue(id + QStringLiteral("\\shell\\print\\command"), nullptr, program + QStringLiteral(" /p \"%1\""),
                    &changed)
        && SetValue(id + QStringLiteral("\\shell\\printto\\command"), nullptr,
                    program + QStringLiteral(" /pt \"%1\" \"%2\" \"%3\" \"%4\""), &changed);
    if (!typeWritten)
        return false;

    // The user's own classes win, as in the merged view; else an owner
    // registered for all users counts.
    std::optional<QString> owner = DefaultValue(HKEY_CURRENT_USER, kClasses + m_type.extension);
    if (!owner || owner->isEmpty())
        owner = DefaultValue(HKEY_CLASSES_ROOT, m_type.extension);
    bool ok = true;
    if (!owner || owner->isEmpty() || *owner == id) {
        ok = SetValue(m_type.extension, nullptr, id, &changed)
             && SetValue(m_type.extension + QStringLiteral("\\ShellNew"), L"NullFile", QString(), &changed);
    }
    if (changed)
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return ok;
}

void CShellRegistration::Unregister()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(kClasses + m_type.typeId).c_str());
    const std::optional<QString> owner = DefaultValue(HKEY_CURRENT_USER, kClasses + m_type.extension);
    if (!owner || owner->isEmpty() || *owner == m_type.typeId)
        RegDeleteTreeW(HKEY_CURRENT_USER, Wide(kClasses + m_type.extension).c_str());
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

void RemoveApplicationSettings()
{
    {
        QSettings settings;
        settings.clear();
        settings.sync();
    }
    const QString maker = QStringLiteral("Software\\") + QCoreApplication::organizationName();
    const QString key = maker + QLatin1Char('\\') + QCoreApplication::applicationName();
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(key).c_str());

    // The maker's key goes only when nothing else is left under it.
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(maker).c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return;
    DWORD subKeys = 0;
    DWORD values = 0;
    const LONG result = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                                         nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(handle);
    if (result == ERROR_SUCCESS && subKeys == 0 && values == 0)
        RegDeleteKeyW(HKEY_CURRENT_USER, Wide(maker).c_str());
}
