// libFuzzer target: the response parser and redirect resolution on hostile input.
// The first byte picks how the input is cut into pieces, so that split heads, chunk
// lines and bodies are exercised as a socket would deliver them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/http_response.h"
#include "net/url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t step = 1 + data[0] % 64;
    const int64_t maxBody = 1 + data[1] * 97;
    std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);

    HttpResponseParser parser(maxBody, 4096);
    int64_t delivered = 0;
    auto sink = [&](std::string_view b) {
        delivered += static_cast<int64_t>(b.size());
        if (delivered > maxBody) __builtin_trap();
    };
    while (!input.empty()) {
        const auto state = parser.state();
        if (state != HttpResponseParser::State::Head && state != HttpResponseParser::State::Body) break;
        std::string_view piece = input.substr(0, step);
        const size_t used = parser.Feed(piece, sink);
        if (used > piece.size()) __builtin_trap();
        if (used == 0 && parser.state() == state) break;
        input.remove_prefix(used);
        if (parser.state() != HttpResponseParser::State::Head && parser.status() != 0) {
            static const Url base = *ParseUrl("https://example.com:8443/a/b?c");
            if (auto next = ResolveLocation(base, parser.Header("Location"))) {
                if (next->target.empty() || next->target.front() != '/') __builtin_trap();
                if (!ParseUrl(next->Text())) __builtin_trap();
            }
        }
    }
    parser.Finish();
    if (parser.bodyReceived() != delivered) __builtin_trap();
    if (parser.state() == HttpResponseParser::State::Done && parser.contentLength() >= 0 &&
        parser.bodyReceived() != parser.contentLength())
        __builtin_trap();
    ParseUrl(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
