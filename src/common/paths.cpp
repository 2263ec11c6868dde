#include "common/paths.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

size_t NameStart(std::string_view fileName) {
    const size_t cut = fileName.find_last_of("\\/:");
    return cut == std::string_view::npos ? 0 : cut + 1;
}

}  // namespace

std::string FileNamePart(std::string_view fileName) { return std::string(fileName.substr(NameStart(fileName))); }

std::string FileBaseName(std::string_view fileName) {
    const std::string name = FileNamePart(fileName);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string FileExtension(std::string_view fileName) {
    const std::string name = FileNamePart(fileName);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string FileFolder(std::string_view fileName) { return std::string(fileName.substr(0, NameStart(fileName))); }

std::string FileFolderName(std::string_view fileName) {
    const std::string_view folder = fileName.substr(0, NameStart(fileName));
    return FileNamePart(folder.substr(0, folder.empty() ? 0 : folder.size() - 1));
}

std::string WithTrailingSeparator(std::string_view folder) {
    std::string out(folder);
    if (out.empty() || !IsSeparator(out.back())) out += '\\';
    return out;
}

std::string WithoutTrailingSeparator(std::string_view folder) {
    while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
    return std::string(folder);
}

std::optional<char> DriveRootLetter(std::string_view path) {
    const bool letter = !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (!letter || path.size() < 2 || path[1] != ':') return std::nullopt;
    if (path.size() == 2 || (path.size() == 3 && IsSeparator(path[2]))) return path[0];
    return std::nullopt;
}

std::string LongPathForm(std::string_view path) {
    if (path.starts_with("\\\\?\\") || path.starts_with("\\\\.\\")) return std::string(path);  // already a device path
    // The prefix turns off the system's path clean-up, so forward slashes must go here.
    std::string clean(path);
    for (char& c : clean)
        if (c == '/') c = '\\';
    if (clean.starts_with("\\\\")) return "\\\\?\\UNC\\" + clean.substr(2);
    return "\\\\?\\" + clean;
}

std::optional<std::string> VirtualStoreMirror(std::string_view localAppData, std::string_view programFolder) {
    // Without the local folder the mirror would be looked for relative to the current drive.
    if (localAppData.empty() || programFolder.size() <= 3) return std::nullopt;
    return WithTrailingSeparator(localAppData) + "VirtualStore\\" + std::string(programFolder.substr(3));
}
