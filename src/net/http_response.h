#pragma once
// Incremental parser of one HTTP/1.x response: status line, headers, and a body
// delimited by Content-Length, chunked transfer coding or the end of the connection.
// It never holds more than the head and one chunk-size line in memory; body bytes
// go straight to the caller's sink.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/net_error.h"

inline constexpr size_t kMaxHeadBytes = 64 * 1024;

class HttpResponseParser {
public:
    enum class State { Head, Body, Done, Failed };
    using BodySink = std::function<void(std::string_view)>;

    // maxBody bounds the body however it is delimited; maxHead the status line and headers.
    explicit HttpResponseParser(int64_t maxBody, size_t maxHead = kMaxHeadBytes);

    // Consumes bytes and returns how many it took. It returns early once, right after
    // the head is complete, so the caller can look at the status before any body byte
    // reaches the sink; feed the rest afterwards. Nothing more is taken once Done or Failed.
    size_t Feed(std::string_view data, const BodySink& sink);
    // The connection ended: completes a close-delimited body, fails anything unfinished.
    void Finish();

    State state() const { return state_; }
    NetError error() const { return error_; }
    const std::string& errorText() const { return errorText_; }

    int status() const { return status_; }
    const std::string& reason() const { return reason_; }
    // First value of a header, by name ignoring case; "" when absent.
    std::string Header(std::string_view name) const;
    // The announced body length, -1 when none (chunked, close-delimited, unknown).
    int64_t contentLength() const { return contentLength_; }
    int64_t bodyReceived() const { return bodyReceived_; }

private:
    enum class Framing { None, Length, Chunked, UntilClose };
    enum class ChunkStep { Size, Data, DataEnd, Trailer };

    bool Fail(NetError error, std::string text);
    size_t FeedHead(std::string_view data);
    bool ParseHead();
    size_t FeedBody(std::string_view data, const BodySink& sink);
    size_t FeedChunked(std::string_view data, const BodySink& sink);
    bool Deliver(std::string_view bytes, const BodySink& sink);

    int64_t maxBody_;
    size_t maxHead_;
    State state_ = State::Head;
    NetError error_ = NetError::None;
    std::string errorText_;

    std::string head_;
    size_t headScan_ = 0;
    int status_ = 0;
    std::string reason_;
    std::vector<std::pair<std::string, std::string>> headers_;

    Framing framing_ = Framing::None;
    int64_t contentLength_ = -1;
    int64_t bodyReceived_ = 0;

    ChunkStep chunkStep_ = ChunkStep::Size;
    std::string line_;
    size_t trailerBytes_ = 0;
    int64_t chunkLeft_ = 0;
};
