#pragma once
// Writes a whole file so that readers see the old file or the new one, never
// half of one: the bytes go to a temporary file beside the target, which
// replaces the target only when it is complete.
#include <string>
#include <string_view>

#include "common/file_writer.h"

FileWriteResult WriteFileReplacing(std::string_view fileName, std::string_view bytes);

// The files of the portable core, written so.
class ReplacingFileWriter : public FileWriter {
public:
    FileWriteResult Replace(std::string_view fileName, std::string_view bytes) override {
        return WriteFileReplacing(fileName, bytes);
    }
};
