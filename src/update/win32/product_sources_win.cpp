#include "update/win32/product_sources_win.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>

#include "common/paths.h"
#include "common/win32/files.h"
#include "common/win32/platform_error.h"
#include "common/win32/registry.h"
#include "common/win32/system_info_win.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "update/version_resource.h"

// The portable readers walk these records by offset.
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileVersionMS) == 8);
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileVersionLS) == 12);
static_assert(offsetof(IMAGE_DOS_HEADER, e_lfanew) == 60);
static_assert(offsetof(IMAGE_NT_HEADERS64, OptionalHeader) == 24);
static_assert(offsetof(IMAGE_NT_HEADERS32, OptionalHeader) == 24);
static_assert(IMAGE_NT_OPTIONAL_HDR64_MAGIC == 0x20B);

namespace {

constexpr uint64_t kMaxHeaderView = 64ull << 20;  // headers live at the start; huge files are not mapped whole
constexpr DWORD kMaxSideFile = 4u << 20;
constexpr std::string_view kUninstallPath = "Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct ViewTraits {
    using Handle = const void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { UnmapViewOfFile(h); }
};
using UniqueView = Unique<ViewTraits>;

UniqueFile OpenForReading(const std::wstring& path) {
    return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

HKEY RootOf(RegistryHive hive) { return hive == RegistryHive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// Every read answers, none raises: a WOW64 state that cannot be read counts as 32-bit Windows.
bool OnWindows64() {
    try {
        return IsWindows64();
    } catch (const PlatformError&) {
        return false;
    }
}

REGSAM ReadRights() {
    try {
        return RegistryReadRights();
    } catch (const PlatformError&) {
        return KEY_READ;
    }
}

// A REG_SZ or REG_EXPAND_SZ value, unexpanded; nullopt for a value of any other type.
std::optional<std::string> StringValue(const RegistryKey& key, std::string_view name) {
    try {
        return key.ReadString(name);
    } catch (const RegistryError&) {
        return std::nullopt;
    }
}

}  // namespace

const std::vector<uint8_t>& WindowsProductSources::VersionBlock(const std::string& file) {
    if (!haveBlock_ || blockFile_ != file) {
        block_ = ReadFileVersionBlock(file);
        blockFile_ = file;
        haveBlock_ = true;
    }
    return block_;
}

FileVersionInfoRec WindowsProductSources::ReadVersionInfo(const std::string& file) {
    return VersionStringsFromBlock(VersionBlock(file));
}

std::string WindowsProductSources::FileVersionText(const std::string& file) {
    auto parsed = ParseVersionResource(VersionBlock(file));
    return parsed ? FixedFileVersionText(*parsed) : "";
}

bool WindowsProductSources::IsPe64(const std::string& file) {
    UniqueFile f = OpenForReading(Widen(file));
    if (!f) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart <= 0) return false;  // an empty file cannot be mapped
    UniqueHandle mapping(CreateFileMappingW(f.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return false;
    const auto viewSize = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(size.QuadPart), kMaxHeaderView));
    UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, viewSize));
    if (!view) return false;
    return IsPe64Image(std::span(static_cast<const uint8_t*>(view.get()), viewSize));
}

// Redirection stays as it is: the path was already sent past it where it needed to be.
bool WindowsProductSources::FileHasContent(const std::string& file) { return FileHasContentWithRedirection(file); }

std::optional<std::string> WindowsProductSources::ReadSideFile(const std::string& file) {
    UniqueFile f = OpenForReading(Widen(file));
    if (!f) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart < 0) return std::nullopt;
    std::string bytes(static_cast<size_t>(std::min<int64_t>(size.QuadPart, kMaxSideFile)), '\0');
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return std::nullopt;
    bytes.resize(read);
    return bytes;
}

std::vector<std::string> WindowsProductSources::ListSubfolders(const std::string& folder) {
    std::vector<std::string> paths;
    ListSubfoldersWithRedirection(folder, paths);
    std::vector<std::string> names;
    for (const auto& path : paths) names.push_back(FileNamePart(path));
    return names;
}

std::vector<UninstallEntry> WindowsProductSources::UninstallEntries(RegistryHive hive, std::string_view view) {
    std::vector<UninstallEntry> entries;
    // The 64-bit view, so that an explicit Wow6432Node reaches the 32-bit one whatever our own build.
    const REGSAM rights = ReadRights();
    const auto uninstall =
        RegistryKey::Open(RootOf(hive), "SOFTWARE\\" + std::string(view) + std::string(kUninstallPath), rights, false);
    if (!uninstall.IsOpen()) return entries;
    for (const auto& name : uninstall.SubkeyNames()) {
        const auto sub = RegistryKey::Open(uninstall.get(), name, rights, false);
        if (!sub.IsOpen()) continue;
        auto displayName = StringValue(sub, "DisplayName");
        if (!displayName) continue;
        auto text = [&](std::string_view value) { return StringValue(sub, value).value_or(""); };
        entries.push_back({*displayName, text("DisplayVersion"), text("InstallLocation"), text("DisplayIcon"),
                           text("Publisher")});
    }
    return entries;
}

std::string WindowsProductSources::RegistryText(RegistryHive hive, const std::string& key, const std::string& value) {
    std::string_view path = key;
    while (path.ends_with('\\')) path.remove_suffix(1);  // a registry path: '/' is part of a name
    const auto k = RegistryKey::Open(RootOf(hive), path, ReadRights(), false);
    if (!k.IsOpen()) return "";
    try {
        if (k.ValueType(value) != REG_DWORD) return k.ReadString(value).value_or("");
        const auto number = k.ReadDword(value);
        return number ? std::to_string(*number) : "";
    } catch (const RegistryError&) {
        return "";  // neither a string nor a DWORD
    }
}

bool WindowsProductSources::HasWow6432View() { return OnWindows64(); }

bool WindowsProductSources::RunsUnderWow64() { return sizeof(void*) == 4 && OnWindows64(); }

std::string WindowsProductSources::SystemFolder() {
    wchar_t path[MAX_PATH];
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? "" : Narrow(std::wstring_view(path, n));
}
