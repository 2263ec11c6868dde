#include "net/maker_server.h"

#include <cstdlib>

#include "common/text.h"

namespace {

EnvironmentReader& Reader() {
    static EnvironmentReader reader;
    return reader;
}

std::optional<std::string> ReadEnvironment(const char* name) {
    if (Reader()) return Reader()(name);
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

}  // namespace

void SetEnvironmentReader(EnvironmentReader reader) { Reader() = std::move(reader); }

std::string MakerServer() {
    if (auto server = ReadEnvironment("VELLUMAR_SERVER")) {
        std::string host = TrimText(*server);
        if (!host.empty()) return host;
    }
    return VELLUMAR_MAKER_HOST;
}

std::string MakerAddress(std::string_view scheme, std::string_view path) {
    return std::string(scheme) + "://" + MakerServer() + std::string(path);
}

std::string HintFileUrl() { return MakerAddress("https", "/vellumar/vellumar.ini"); }
