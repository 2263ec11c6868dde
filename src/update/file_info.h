#pragma once
// The records that product identification works on and hands back.
#include <string>

// The eight standard string values of a version resource, in this order.
struct FileVersionInfoRec {
    std::string FileDescription;
    std::string CompanyName;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyright;
    std::string OriginalFilename;
    std::string ProductName;
    std::string ProductVersion;
    bool operator==(const FileVersionInfoRec&) const = default;
};

// The pair that the update check sends to the server.
struct TDisplayedFileInfo {
    std::string ProductName;
    std::string CompanyName;
    bool operator==(const TDisplayedFileInfo&) const = default;
};
