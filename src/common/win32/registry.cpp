#include "common/win32/registry.h"

#include "common/win32/wide.h"

namespace {

std::string Formatted(std::string_view pattern, std::string_view name) {
    std::string text(pattern);
    text.replace(text.find("%s"), 2, name);
    return text;
}

// Enumerates names with RegEnumKeyExW or RegEnumValueW, which share the index/name/size shape.
template <typename Enum>
std::vector<std::string> EnumNames(Enum next, DWORD maxChars) {
    std::vector<std::string> names;
    std::wstring buffer(static_cast<size_t>(maxChars) + 1, L'\0');
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(buffer.size());
        const LSTATUS rc = next(i, buffer.data(), &size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;
        names.push_back(Narrow(std::wstring_view(buffer.data(), size)));
    }
    return names;
}

}  // namespace

RegistryError RegistryError::WriteFailed(std::string_view valueName) {
    return RegistryError(Formatted("Echec \xC3\xA0 la d\xC3\xA9" "finition des donn\xC3\xA9" "es pour '%s'", valueName));
}

RegistryError RegistryError::WrongType(std::string_view valueName) {
    return RegistryError(Formatted("Type de donn\xC3\xA9" "es incorrect pour '%s'", valueName));
}

RegistryKey RegistryKey::Open(HKEY root, std::string_view path, REGSAM access, bool create) {
    const std::wstring wide = Widen(path);
    HKEY key = nullptr;
    const LSTATUS rc = create ? RegCreateKeyExW(root, wide.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                                nullptr, &key, nullptr)
                              : RegOpenKeyExW(root, wide.c_str(), 0, access, &key);
    return rc == ERROR_SUCCESS ? RegistryKey(key) : RegistryKey();
}

std::optional<DWORD> RegistryKey::ValueType(std::string_view name) const {
    DWORD type = 0;
    if (RegQueryValueExW(get(), Widen(name).c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return std::nullopt;
    return type;
}

std::optional<std::string> RegistryKey::ReadString(std::string_view name) const {
    const std::wstring wname = Widen(name);
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(get(), wname.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw RegistryError::WrongType(name);
    // The value may grow between the two calls: ask again until it fits.
    for (;;) {
        std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        const LSTATUS rc =
            RegQueryValueExW(get(), wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (rc == ERROR_MORE_DATA) {
            bytes = size;
            continue;
        }
        if (rc != ERROR_SUCCESS) return std::nullopt;
        if (type != REG_SZ && type != REG_EXPAND_SZ) throw RegistryError::WrongType(name);
        buffer.resize(size / sizeof(wchar_t));
        // Stored strings usually, but not always, end with their terminator.
        if (const size_t end = buffer.find(L'\0'); end != std::wstring::npos) buffer.resize(end);
        return Narrow(buffer);
    }
}

std::optional<uint32_t> RegistryKey::ReadDword(std::string_view name) const {
    DWORD type = 0, value = 0, size = sizeof value;
    const LSTATUS rc =
        RegQueryValueExW(get(), Widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if ((rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) || type != REG_DWORD || size != sizeof value)
        throw RegistryError::WrongType(name);
    return value;
}

void RegistryKey::WriteString(std::string_view name, std::string_view value) const {
    const std::wstring wide = Widen(value);
    const DWORD bytes = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    if (RegSetValueExW(get(), Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()), bytes) !=
        ERROR_SUCCESS)
        throw RegistryError::WriteFailed(name);
}

void RegistryKey::WriteDword(std::string_view name, uint32_t value) const {
    const DWORD data = value;
    if (RegSetValueExW(get(), Widen(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                       sizeof data) != ERROR_SUCCESS)
        throw RegistryError::WriteFailed(name);
}

bool RegistryKey::DeleteValue(std::string_view name) const {
    return RegDeleteValueW(get(), Widen(name).c_str()) == ERROR_SUCCESS;
}

std::vector<std::string> RegistryKey::ValueNames() const {
    DWORD maxChars = 0;
    RegQueryInfoKeyW(get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxChars, nullptr, nullptr,
                     nullptr);
    return EnumNames([this](DWORD i, wchar_t* name, DWORD* size) {
        return RegEnumValueW(get(), i, name, size, nullptr, nullptr, nullptr, nullptr);
    }, maxChars);
}

std::vector<std::string> RegistryKey::SubkeyNames() const {
    DWORD maxChars = 0;
    RegQueryInfoKeyW(get(), nullptr, nullptr, nullptr, nullptr, &maxChars, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    return EnumNames([this](DWORD i, wchar_t* name, DWORD* size) {
        return RegEnumKeyExW(get(), i, name, size, nullptr, nullptr, nullptr, nullptr);
    }, maxChars);
}

bool RegistryKey::HasSubkeys() const {
    DWORD count = 0;
    return RegQueryInfoKeyW(get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS &&
           count > 0;
}

bool RegistryKey::HasValues() const {
    DWORD count = 0;
    return RegQueryInfoKeyW(get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS &&
           count > 0;
}

bool DeleteRegistryTree(HKEY root, std::string_view path) {
    // Given a subkey name, RegDeleteTreeW removes that key itself as well.
    return !path.empty() && RegDeleteTreeW(root, Widen(path).c_str()) == ERROR_SUCCESS;
}
