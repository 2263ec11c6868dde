#pragma once
// A small registry wrapper over the W calls with UTF-8 names and texts.
// Writes that fail and string reads of non-string values raise RegistryError, whose message is
// the text shown to the user.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32/unique.h"

class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    // "Echec à la définition des données pour '<name>'"
    static RegistryError WriteFailed(std::string_view valueName);
    // "Type de données incorrect pour '<name>'"
    static RegistryError WrongType(std::string_view valueName);
};

class RegistryKey {
public:
    // Opens root\path with the given rights; with create, makes the key when it is missing.
    // A key that does not open leaves the object closed (check IsOpen).
    static RegistryKey Open(HKEY root, std::string_view path, REGSAM access, bool create);

    bool IsOpen() const { return static_cast<bool>(key_); }
    HKEY get() const { return key_.get(); }

    // The value's registry type, nullopt when there is no such value.
    std::optional<DWORD> ValueType(std::string_view name) const;
    // The string of a REG_SZ or REG_EXPAND_SZ value, nullopt when absent; WrongType for any other type.
    std::optional<std::string> ReadString(std::string_view name) const;
    // A REG_DWORD value, nullopt when absent; WrongType for any other type.
    std::optional<uint32_t> ReadDword(std::string_view name) const;
    void WriteString(std::string_view name, std::string_view value) const;  // REG_SZ; WriteFailed
    void WriteDword(std::string_view name, uint32_t value) const;           // REG_DWORD; WriteFailed
    bool DeleteValue(std::string_view name) const;

    std::vector<std::string> ValueNames() const;
    std::vector<std::string> SubkeyNames() const;
    bool HasSubkeys() const;
    bool HasValues() const;

private:
    explicit RegistryKey(HKEY key) : key_(key) {}
    RegistryKey() = default;
    UniqueRegKey key_;
};

// Deletes root\path with all its subkeys; false when it could not (or did not exist).
bool DeleteRegistryTree(HKEY root, std::string_view path);
