#include "update/win32/run_folder.h"

#include <windows.h>

#include <bcrypt.h>
#include <sddl.h>

#include "common/paths.h"
#include "common/text.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "update/update_check.h"

namespace {

struct Entry {
    std::string name;
    DWORD attributes;
};

std::vector<Entry> Entries(const std::string& folder) {
    std::vector<Entry> entries;
    WIN32_FIND_DATAW data;
    const UniqueFind find(FindFirstFileW(Widen(folder + "*").c_str(), &data));
    if (!find) return entries;
    do {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..") entries.push_back({Narrow(name), data.dwFileAttributes});
    } while (FindNextFileW(find.get(), &data));
    return entries;
}

bool IsLinked(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// The process user's SID as text ("S-1-5-21-..."), "" when it cannot be read.
std::wstring UserSidText() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return L"";
    const Unique<HandleTraits> token(rawToken);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<uint8_t> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return L"";
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return L"";
    const UniqueLocalMemory owner(text);
    return text;
}

// Full control for the user, administrators (the elevated installer may run as another
// one) and the system, nothing inherited from the data folder: no other user may put a
// file into the folder or change the installer before it runs.
UniqueLocalMemory RunFolderSecurity() {
    const std::wstring user = UserSidText();
    if (user.empty()) return {};
    const std::wstring sddl = L"O:" + user + L"D:P(A;OICI;FA;;;" + user + L")(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return {};
    return UniqueLocalMemory(descriptor);
}

// From the system's generator: a name nobody can guess and make first.
bool RandomNumber(uint32_t& number) {
    return BCRYPT_SUCCESS(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&number), sizeof number,
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

}  // namespace

std::string NewRunFolder(const std::string& dataFolder) {
    const UniqueLocalMemory security = RunFolderSecurity();
    if (!security) return "";
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.get(), FALSE};
    for (int i = 0; i < 100; ++i) {
        uint32_t number = 0;
        if (!RandomNumber(number)) return "";
        // A folder that exists already is someone else's, whatever its name: never used.
        const std::string folder = dataFolder + RunFolderName(number) + "\\";
        if (CreateDirectoryW(Widen(folder).c_str(), &attributes)) return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return "";
    }
    return "";
}

bool RemoveRunFolder(const std::string& folder) {
    const std::string dir = WithTrailingSeparator(folder);
    for (const Entry& e : Entries(dir)) {
        if (e.attributes & FILE_ATTRIBUTE_DIRECTORY) continue;  // the installer makes none; what else is there stays
        DeleteFileW(Widen(dir + e.name).c_str());
    }
    return RemoveDirectoryW(Widen(dir).c_str()) != 0;
}

std::vector<std::string> RemoveStaleRunFolders(const std::string& dataFolder, const std::string& keep) {
    std::vector<std::string> removed;
    const std::string dir = WithTrailingSeparator(dataFolder);
    for (const Entry& e : Entries(dir)) {
        if (!(e.attributes & FILE_ATTRIBUTE_DIRECTORY) || !IsRunFolderName(e.name)) continue;
        const std::string folder = dir + e.name + "\\";
        if (SameText(folder, WithTrailingSeparator(keep))) continue;
        // A link is removed as a link: nothing it points to is touched.
        const bool gone = IsLinked(e.attributes) ? RemoveDirectoryW(Widen(folder).c_str()) != 0 : RemoveRunFolder(folder);
        if (gone) removed.push_back(folder);
    }
    return removed;
}
