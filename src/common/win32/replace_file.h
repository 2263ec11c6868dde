#pragma once
// Writes a whole file so that readers see the old file or the new one, never
// half of one: the bytes go to a temporary file beside the target, which
// replaces the target only when it is complete.
#include <string>
#include <string_view>

struct FileWriteResult {
    bool ok = false;
    std::string error;  // the system's text when not ok
};

FileWriteResult WriteFileReplacing(std::string_view fileName, std::string_view bytes);
