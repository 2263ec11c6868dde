#pragma once
// Whole files, written so that readers see the old file or the new one, never half
// of one. The portable core writes through a FileWriter: the Windows layer replaces
// the file through a temporary one beside it, tests keep the files in memory.
#include <string>
#include <string_view>

struct FileWriteResult {
    bool ok = false;
    std::string error;  // the system's text when not ok
};

class FileWriter {
public:
    virtual ~FileWriter() = default;
    virtual FileWriteResult Replace(std::string_view fileName, std::string_view bytes) = 0;
};
