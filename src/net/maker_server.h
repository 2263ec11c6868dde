#pragma once
// Addresses on the maker's web server. The host is a build setting; in a test build the
// environment variable VELLUMAR_SERVER (host[:port]) replaces it in every address the
// program builds, so a test or a staging run can point the program at another server. A
// release (VELLUMAR_TEST_BUILD off) has no override.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

using EnvironmentReader = std::function<std::optional<std::string>(const char* name)>;

// Replaces how the environment is read (tests); an empty reader restores the process environment.
void SetEnvironmentReader(EnvironmentReader reader);

// host[:port] of the maker's web server: in a test build VELLUMAR_SERVER when set and not
// blank, else the built-in host.
std::string MakerServer();
// scheme + "://" + MakerServer() + path; path starts with "/".
std::string MakerAddress(std::string_view scheme, std::string_view path);

// A page the program may open from a file it downloaded: a shell-safe https address on
// MakerServer() (the same host and port), never elsewhere or over plain http.
bool IsMakerWebPage(std::string_view text);

// The start-up download of the hint file.
inline constexpr std::string_view kHintFileName = "vellumar.ini";
std::string HintFileUrl();
