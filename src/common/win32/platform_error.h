#pragma once
// A platform call that should not fail did: the error carries the system's code and message.
#include <windows.h>

#include <stdexcept>
#include <string>

class PlatformError : public std::runtime_error {
public:
    explicit PlatformError(DWORD code);
    DWORD code() const { return code_; }

private:
    DWORD code_;
};

// Raises PlatformError with GetLastError().
[[noreturn]] void ThrowLastPlatformError();

// The system's message for an error code, UTF-8, without the trailing line break.
std::string PlatformErrorText(DWORD code);
