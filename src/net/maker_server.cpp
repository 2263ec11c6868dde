#include "net/maker_server.h"

#include <cstdlib>

#include "common/text.h"
#include "net/url.h"

namespace {

EnvironmentReader& Reader() {
    static EnvironmentReader reader;
    return reader;
}

#ifdef VELLUMAR_SERVER_OVERRIDE
std::optional<std::string> ReadEnvironment(const char* name) {
    if (Reader()) return Reader()(name);
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}
#endif

}  // namespace

void SetEnvironmentReader(EnvironmentReader reader) { Reader() = std::move(reader); }

std::string MakerServer() {
#ifdef VELLUMAR_SERVER_OVERRIDE
    if (auto server = ReadEnvironment("VELLUMAR_SERVER")) {
        std::string host = TrimText(*server);
        if (!host.empty()) return host;
    }
#endif
    return VELLUMAR_MAKER_HOST;
}

std::string MakerAddress(std::string_view scheme, std::string_view path) {
    return std::string(scheme) + "://" + MakerServer() + std::string(path);
}

std::string HintFileUrl() { return MakerAddress("https", "/vellumar/vellumar.ini"); }

bool IsMakerWebPage(std::string_view text) {
    if (!IsShellSafeWebAddress(text)) return false;
    // Credentials before the host would only disguise it.
    const std::string_view rest = text.substr(text.find("://") + 3);
    if (rest.substr(0, rest.find_first_of("/?#")).find('@') != std::string_view::npos) return false;
    const auto url = ParseUrl(text);
    return url && url->Secure() && SameText(url->Authority(), MakerServer());
}
