#include "update/win32/prepared_installer.h"

#include <algorithm>
#include <vector>

#include "common/win32/files.h"
#include "common/win32/wide.h"
#include "update/update_check.h"
#include "update/win32/authenticode.h"
#include "update/win32/run_folder.h"

namespace {

constexpr char kInstallerName[] = "update.exe";

// Saves the installer under a name that nobody may hold already: the file must be new.
// It is then opened again for reading only, denying writers and deleters, and compared
// with what was downloaded; the returned handle keeps it so until the installer has started.
// Returns an empty handle and sets error when any step fails.
Unique<FileHandleTraits> SaveInstaller(const std::string& fileName, std::span<const uint8_t> bytes, DWORD& error) {
    const std::wstring path = Widen(fileName);
    error = 0;
    {
        Unique<FileHandleTraits> out(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) {
            error = GetLastError();
            return {};
        }
        size_t done = 0;
        while (done < bytes.size() && !error) {
            const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
            DWORD written = 0;
            if (!WriteFile(out.get(), bytes.data() + done, piece, &written, nullptr) || written != piece)
                error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            done += piece;
        }
        if (!error && !FlushFileBuffers(out.get())) error = GetLastError();
    }
    Unique<FileHandleTraits> held;
    if (!error) {
        held.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!held) error = GetLastError();
    }
    if (!error) {
        std::vector<uint8_t> back(1u << 20);
        size_t at = 0;
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(held.get(), back.data(), static_cast<DWORD>(back.size()), &got, nullptr)) {
                error = GetLastError();
                break;
            }
            if (got == 0) break;
            if (at + got > bytes.size() || !std::equal(back.begin(), back.begin() + got, bytes.begin() + at)) {
                error = ERROR_FILE_CORRUPT;
                break;
            }
            at += got;
        }
        if (!error && at != bytes.size()) error = ERROR_FILE_CORRUPT;
    }
    if (error) {
        held.reset();
        DeleteFileW(path.c_str());
    }
    return held;
}

}  // namespace

PreparedInstaller PrepareInstaller(const std::string& dataFolder, std::span<const uint8_t> bytes,
                                   const std::string& programFile, const InstallerExpectation& expected) {
    PreparedInstaller prepared;
    RemoveStaleRunFolders(dataFolder);
    prepared.folder = NewRunFolder(dataFolder);
    DWORD error = prepared.folder.empty() ? GetLastError() : 0;
    prepared.file = (prepared.folder.empty() ? dataFolder : prepared.folder) + kInstallerName;
    if (!prepared.folder.empty()) prepared.held = SaveInstaller(prepared.file, bytes, error);
    if (!prepared.held) {
        prepared.refusal = "cannot save " + prepared.file + " (" + std::to_string(error) + ")";
    } else {
        // A signed program runs only its own publisher's installers; the saved file is held
        // against writers, so what is checked is what runs.
        PublisherFacts facts;
        facts.programKey = SignerPublicKey(programFile);
        if (facts.programKey) {
            const FileTrust trust = VerifyFileTrust(prepared.file);
            facts.installerTrust = trust.result;
            facts.installerKey = trust.signerKey;
            prepared.revocationUnchecked = trust.revocationUnchecked;
            facts.nextKey = NextSignerKey(programFile);
        }
        prepared.refusal = PublisherRefusal(facts);
        // Read from the held file, which is what was downloaded and what will run.
        if (prepared.refusal.empty())
            prepared.refusal = InstallerIdentityRefusal(ParseVersionResource(ReadFileVersionBlock(prepared.file)), expected);
        prepared.verdict = prepared.refusal.empty() ? InstallerReadiness::Ready : InstallerReadiness::Refused;
    }
    if (!prepared.Ready()) {
        prepared.held.reset();
        if (!prepared.folder.empty()) RemoveRunFolder(prepared.folder);
        prepared.folder.clear();
    }
    return prepared;
}
