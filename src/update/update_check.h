#pragma once
// The parts of the update check and of the installer run that need no platform: the
// check's request path, the reading of the server's answer with its log lines, the
// countdown caption of the offer window and the tests a downloaded installer must pass.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/run_log.h"
#include "update/version.h"
#include "update/version_resource.h"

// "/rensel/check.php?uid=0&ProductName=..&Company=..&VH=..&VL=..", names URL-encoded,
// VH and VL the unsigned decimal of the file version's two halves.
std::string UpdateCheckPath(std::string_view productName, std::string_view company, const TRenselVersion& local);

struct CheckLogLine {
    std::string text;
    LogLevel level;
    bool operator==(const CheckLogLine&) const = default;
};

// What the end of one check transfer means: the two flags, the version the server
// announced and the lines to log.
struct CheckOutcome {
    bool validAnswer = false;
    bool newVersion = false;
    TRenselVersion announced;
    std::vector<CheckLogLine> lines;
};

// errorCode is the transport's (0 when an answer arrived, whatever its status); body is
// read byte by byte, untrimmed; reason is the status line's phrase.
CheckOutcome ReadCheckOutcome(std::string_view title, int32_t errorCode, std::string_view body,
                              std::string_view reason, uint32_t elapsedMs, uint32_t localMS, uint32_t localLS);

// The offer window's product page and installer addresses, as paths on the maker's server.
inline constexpr std::string_view kProductPagePath = "/rensel/view.php?&ProductName=Vellumar&Company=Quintavo&prot=2";
inline constexpr std::string_view kInstallerPath = "/files/vellumar.exe";

// The Close button's caption while the offer window counts down.
std::string CountdownCaption(std::string_view closeCaption, int32_t secondsLeft);

// A download smaller than this is no installer.
inline constexpr uint64_t kMinInstallerSize = 102400;

// A Windows program image: DOS header, "PE\0\0", an x86, x64 or ARM64 machine, an
// executable that is not a DLL, and a 32- or 64-bit optional header.
bool IsWindowsExecutable(std::span<const uint8_t> bytes);

enum class InstallerVerdict { Run, TooSmall, NotVerified, NotExecutable };

struct InstallerCheck {
    InstallerVerdict verdict;
    uint64_t size;  // bytes of a completed transfer; 0 after a transport failure
};

// Judges a finished installer download. Only a transfer that ended over https counts as
// verified: the transport checks every server certificate and refuses to be redirected
// from https to http, so plain http here means the TLS fallback or an http address.
InstallerCheck CheckInstallerDownload(int32_t errorCode, std::string_view finalUrl, std::span<const uint8_t> body);

// The installer's silent-install switches, its log written into the data folder.
std::string InstallerParameters(std::string_view dataFolder);

// The installer runs from a folder of its own under the data folder, "update-" and eight
// lower-case hex digits; only folders so named are ever removed as left-overs.
std::string RunFolderName(uint32_t number);
bool IsRunFolderName(std::string_view name);

// The signature facts of a downloaded installer, judged against the running program's.
// A key is the signer certificate's SubjectPublicKeyInfo (algorithm and key bytes, DER).
struct PublisherFacts {
    std::optional<std::vector<uint8_t>> programKey;    // nullopt: the running program is unsigned
    int32_t installerTrust = 0;                        // WinVerifyTrust's result for the installer
    std::optional<std::vector<uint8_t>> installerKey;  // nullopt: no signer found
    std::optional<std::vector<uint8_t>> nextKey;       // the next signing key the program carries, a second pin
};

// An unsigned running program keeps the download rules alone (empty result). A signed one runs
// only an installer whose signature the system accepts AND whose signer holds the same key:
// the system check alone would take any trusted publisher's file (and Wine accepts any intact
// signature, even from an untrusted self-signed certificate), the key check alone would not see
// a file changed after signing. The program's next signing key, when it carries one, is as good
// as its own. Returns the reason of a refusal, empty when the installer may run.
std::string PublisherRefusal(const PublisherFacts& facts);

// What a downloaded installer must be, from the check that offered it: nothing else ties
// the file to the answer, and a validly signed older build or another product would
// otherwise run elevated.
struct InstallerExpectation {
    std::string productName;   // the installer's ProductName
    TRenselVersion running;    // its fixed file version must be above this
    TRenselVersion announced;  // and equal to this
};

// The reason to refuse an installer with this version resource (nullopt: it has none),
// empty when it is the announced version of the product and newer than the running one.
std::string InstallerIdentityRefusal(const std::optional<VersionResource>& resource,
                                     const InstallerExpectation& expected);
