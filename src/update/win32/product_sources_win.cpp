#include "update/win32/product_sources_win.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>

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
constexpr std::wstring_view kUninstallPath = L"Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct ViewTraits {
    using Handle = const void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { UnmapViewOfFile(h); }
};
using UniqueView = Unique<ViewTraits>;

bool IsFile(const std::wstring& path, uint64_t* size = nullptr) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    if (size) *size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    return true;
}

UniqueFile OpenForReading(const std::wstring& path) {
    return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

HKEY RootOf(RegistryHive hive) { return hive == RegistryHive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// A string value (REG_SZ or REG_EXPAND_SZ, unexpanded) or a DWORD in decimal.
std::optional<std::string> ReadValue(HKEY key, const wchar_t* name, bool stringsOnly) {
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
    if (type == REG_DWORD && !stringsOnly) {
        DWORD value = 0, size = sizeof value;
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
            return std::nullopt;
        return std::to_string(value);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');  // the stored text need not end in a zero
    DWORD size = bytes;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(std::min<size_t>(size / sizeof(wchar_t), text.size()));
    text.resize(std::wcslen(text.c_str()));
    return Narrow(text);
}

UniqueRegKey OpenKey(HKEY root, const std::wstring& path, REGSAM sam) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, sam, &key) != ERROR_SUCCESS) return UniqueRegKey();
    return UniqueRegKey(key);
}

}  // namespace

std::vector<uint8_t> WindowsProductSources::ReadVersionBlock(const std::string& file) {
    const std::wstring path = Widen(file);
    if (!IsFile(path)) return {};
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<uint8_t> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
    return block;
}

const std::vector<uint8_t>& WindowsProductSources::VersionBlock(const std::string& file) {
    if (!haveBlock_ || blockFile_ != file) {
        block_ = ReadVersionBlock(file);
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

bool WindowsProductSources::FileHasContent(const std::string& file) {
    uint64_t size = 0;
    return IsFile(Widen(file), &size) && size > 0;
}

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
    std::vector<std::string> names;
    std::wstring pattern = Widen(folder);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data{};
    UniqueFind find(FindFirstFileW(pattern.c_str(), &data));
    if (!find) return names;
    do {
        std::wstring_view name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            names.push_back(Narrow(name));
    } while (FindNextFileW(find.get(), &data));
    return names;
}

std::vector<UninstallEntry> WindowsProductSources::UninstallEntries(RegistryHive hive, std::string_view view) {
    std::vector<UninstallEntry> entries;
    const REGSAM sam = KEY_READ | (HasWow6432View() ? KEY_WOW64_64KEY : 0);
    UniqueRegKey uninstall = OpenKey(RootOf(hive), L"SOFTWARE\\" + Widen(view) + std::wstring(kUninstallPath), sam);
    if (!uninstall) return entries;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];  // key names are at most 255 characters
        DWORD length = static_cast<DWORD>(std::size(name));
        LONG rc = RegEnumKeyExW(uninstall.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;
        UniqueRegKey sub = OpenKey(uninstall.get(), name, sam);
        if (!sub) continue;
        auto displayName = ReadValue(sub.get(), L"DisplayName", true);
        if (!displayName) continue;
        auto text = [&](const wchar_t* value) { return ReadValue(sub.get(), value, true).value_or(""); };
        entries.push_back({*displayName, text(L"DisplayVersion"), text(L"InstallLocation"), text(L"DisplayIcon"),
                           text(L"Publisher")});
    }
    return entries;
}

std::string WindowsProductSources::RegistryText(RegistryHive hive, const std::string& key, const std::string& value) {
    std::wstring path = Widen(key);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    UniqueRegKey k = OpenKey(RootOf(hive), path, KEY_READ | (HasWow6432View() ? KEY_WOW64_64KEY : 0));
    if (!k) return "";
    return ReadValue(k.get(), Widen(value).c_str(), false).value_or("");
}

bool WindowsProductSources::HasWow6432View() { return sizeof(void*) == 8 || RunsUnderWow64(); }

bool WindowsProductSources::RunsUnderWow64() {
    if constexpr (sizeof(void*) == 8) return false;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::string WindowsProductSources::SystemFolder() {
    wchar_t path[MAX_PATH];
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? "" : Narrow(std::wstring_view(path, n));
}
