#pragma once
// The program's settings by name, as the portable core reads and writes them. The
// Windows layer keeps them in the registry; tests keep them in a map.
#include <string>
#include <string_view>

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The value as text; "" when absent or unreadable.
    virtual std::string Read(std::string_view name) = 0;
    // False, with the reason in error, when the value was not written.
    virtual bool Write(std::string_view name, const std::string& value, std::string& error) = 0;
};
