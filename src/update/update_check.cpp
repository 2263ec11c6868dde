#include "update/update_check.h"

#include <algorithm>
#include <cstdio>

#include "common/text.h"

std::string UpdateCheckPath(std::string_view productName, std::string_view company, const TRenselVersion& local) {
    return "/rensel/check.php?uid=0&ProductName=" + UrlEncode(productName) + "&Company=" + UrlEncode(company) +
           "&VH=" + local.VersionMSText() + "&VL=" + local.VersionLSText();
}

CheckOutcome ReadCheckOutcome(std::string_view title, int32_t errorCode, std::string_view body,
                              std::string_view reason, uint32_t elapsedMs, uint32_t localMS, uint32_t localLS) {
    CheckOutcome out;
    const std::string prefix = std::string(title) + " Update self check : ";
    if (errorCode != 0) {
        out.lines.push_back({prefix + "Server error (" + std::to_string(errorCode) + ")", LogLevel::Error});
        return out;
    }
    const TRenselVersion answer = TRenselVersion::Create(body);
    out.lines.push_back(
        {prefix + "Server replied " + answer.AsText() + " in " + std::to_string(elapsedMs) + "ms", LogLevel::Info});
    if (!answer.IsValid())
        out.lines.push_back({prefix + "Server error (" + std::to_string(errorCode) + " Cause : " +
                                 std::string(reason) + ")",
                             LogLevel::Verbose});
    out.validAnswer = answer.IsValid();
    out.newVersion = answer.IsNewerThanMSLS(localMS, localLS);
    out.announced = answer;
    return out;
}

std::string CountdownCaption(std::string_view closeCaption, int32_t secondsLeft) {
    return std::string(closeCaption) + "\n\r" + "(" + std::to_string(secondsLeft) + ")";
}

namespace {

uint16_t Read16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

uint32_t Read32(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(Read16(b, at)) | static_cast<uint32_t>(Read16(b, at + 2)) << 16;
}

// Offsets and values of the PE format.
constexpr size_t kDosHeaderSize = 64;
constexpr size_t kNewHeaderOffset = 0x3C;
constexpr size_t kFileHeaderSize = 20;
constexpr uint16_t kMachines[] = {0x014C, 0x8664, 0xAA64};  // x86, x64, ARM64
constexpr uint16_t kExecutableImage = 0x0002;
constexpr uint16_t kDll = 0x2000;
constexpr uint16_t kOptionalMagic32 = 0x010B;
constexpr uint16_t kOptionalMagic64 = 0x020B;

}  // namespace

bool IsWindowsExecutable(std::span<const uint8_t> bytes) {
    if (bytes.size() < kDosHeaderSize || bytes[0] != 'M' || bytes[1] != 'Z') return false;
    const uint64_t pe = Read32(bytes, kNewHeaderOffset);
    if (pe < kDosHeaderSize || pe + 4 + kFileHeaderSize + 2 > bytes.size()) return false;
    if (bytes[pe] != 'P' || bytes[pe + 1] != 'E' || bytes[pe + 2] != 0 || bytes[pe + 3] != 0) return false;
    const size_t file = static_cast<size_t>(pe) + 4;
    const uint16_t machine = Read16(bytes, file);
    bool knownMachine = false;
    for (uint16_t m : kMachines) knownMachine = knownMachine || m == machine;
    const uint16_t characteristics = Read16(bytes, file + 18);
    const uint16_t magic = Read16(bytes, file + kFileHeaderSize);
    return knownMachine && (characteristics & kExecutableImage) && !(characteristics & kDll) &&
           Read16(bytes, file + 16) >= 2 && (magic == kOptionalMagic32 || magic == kOptionalMagic64);
}

InstallerCheck CheckInstallerDownload(int32_t errorCode, std::string_view finalUrl, std::span<const uint8_t> body) {
    const uint64_t size = errorCode == 0 ? body.size() : 0;
    if (size < kMinInstallerSize) return {InstallerVerdict::TooSmall, size};
    if (!TextStartsWith(AsciiLowerCase(finalUrl), "https://")) return {InstallerVerdict::NotVerified, size};
    if (!IsWindowsExecutable(body)) return {InstallerVerdict::NotExecutable, size};
    return {InstallerVerdict::Run, size};
}

std::string InstallerParameters(std::string_view dataFolder) {
    return "/FORCECLOSEAPPLICATIONS /VERYSILENT /NOICONS /LOG=\"" + std::string(dataFolder) + "update.log\"";
}

std::string RunFolderName(uint32_t number) {
    char name[20];
    std::snprintf(name, sizeof name, "update-%08x", static_cast<unsigned>(number));
    return name;
}

bool IsRunFolderName(std::string_view name) {
    constexpr std::string_view kPrefix = "update-";
    if (name.size() != kPrefix.size() + 8 || name.substr(0, kPrefix.size()) != kPrefix) return false;
    return std::all_of(name.begin() + kPrefix.size(), name.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string PublisherRefusal(const PublisherFacts& facts) {
    constexpr uint32_t kTrustNoSignature = 0x800B0100;  // TRUST_E_NOSIGNATURE
    if (!facts.programKey) return {};
    const auto trust = static_cast<uint32_t>(facts.installerTrust);
    if (trust == kTrustNoSignature || (trust == 0 && !facts.installerKey)) return "the installer is not signed";
    if (trust != 0) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(trust));
        return std::string("the installer's signature is not valid (") + code + ")";
    }
    if (*facts.installerKey != *facts.programKey && facts.installerKey != facts.nextKey)
        return "the installer is not signed by this program's publisher";
    return {};
}

std::string InstallerIdentityRefusal(const std::optional<VersionResource>& resource,
                                     const InstallerExpectation& expected) {
    if (!resource || !resource->hasFixedInfo) return "the installer has no version";
    // The name comes from the download: it is compared, never logged.
    if (VersionStrings(*resource).ProductName != expected.productName)
        return "the installer is not " + expected.productName + "'s";
    const TRenselVersion version = TRenselVersion::CreateFromMSLS(resource->fileVersionMS, resource->fileVersionLS);
    if (!version.IsNewerThan(expected.running))
        return "installer version " + version.AsText() + " is not above the running " + expected.running.AsText();
    if (version.VersionMS() != expected.announced.VersionMS() || version.VersionLS() != expected.announced.VersionLS())
        return "installer version " + version.AsText() + " is not the announced " + expected.announced.AsText();
    return "";
}
