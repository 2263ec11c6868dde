#include "net/http_response.h"

#include <algorithm>

#include "common/text.h"

namespace {

constexpr size_t kMaxChunkLine = 1024;

bool IsTokenChar(char c) {
    static constexpr std::string_view kExtra = "!#$%&'*+-.^_`|~";
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           kExtra.find(c) != std::string_view::npos;
}

bool HasControlChar(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return (c < 0x20 && c != '\t') || c == 0x7F;
    });
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string LimitText(std::string_view what, int64_t limit) {
    return std::string(what) + " (" + std::to_string(limit) + " bytes)";
}

// Digits only, at most 18 of them so the value fits in 64 bits.
std::optional<int64_t> ParseLength(std::string_view s) {
    s = TrimBlanks(s);
    if (s.empty() || s.size() > 18) return std::nullopt;
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

}  // namespace

HttpResponseParser::HttpResponseParser(int64_t maxBody, size_t maxHead) : maxBody_(maxBody), maxHead_(maxHead) {}

bool HttpResponseParser::Fail(NetError error, std::string text) {
    state_ = State::Failed;
    error_ = error;
    errorText_ = std::move(text);
    return false;
}

std::string HttpResponseParser::Header(std::string_view name) const {
    for (const auto& [n, v] : headers_)
        if (SameText(n, name)) return v;
    return "";
}

size_t HttpResponseParser::Feed(std::string_view data, const BodySink& sink) {
    size_t used = 0;
    while (used < data.size()) {
        if (state_ == State::Head) {
            used += FeedHead(data.substr(used));
            if (state_ != State::Head) return used;  // let the caller see the head first
        } else if (state_ == State::Body) {
            used += FeedBody(data.substr(used), sink);
        } else {
            break;
        }
    }
    return used;
}

size_t HttpResponseParser::FeedHead(std::string_view data) {
    const size_t before = head_.size();
    // Never hold more than the limit plus one byte: that byte proves the limit was passed.
    const size_t room = maxHead_ + 1 - std::min(before, maxHead_ + 1);
    head_.append(data.substr(0, room));
    size_t i = headScan_;
    size_t end = std::string::npos;
    for (; i < head_.size(); ++i) {
        if (head_[i] != '\n') continue;
        if (i + 1 < head_.size() && head_[i + 1] == '\n') {
            end = i + 2;
            break;
        }
        if (i + 2 < head_.size() && head_[i + 1] == '\r' && head_[i + 2] == '\n') {
            end = i + 3;
            break;
        }
    }
    if (end == std::string::npos) {
        headScan_ = head_.size() >= 2 ? head_.size() - 2 : 0;
        if (head_.size() > maxHead_) {
            Fail(NetError::HeaderLimit, LimitText(NetErrorText(NetError::HeaderLimit), static_cast<int64_t>(maxHead_)));
        }
        return head_.size() - before;
    }
    if (end > maxHead_) {
        Fail(NetError::HeaderLimit, LimitText(NetErrorText(NetError::HeaderLimit), static_cast<int64_t>(maxHead_)));
        return end - before;
    }
    head_.resize(end);
    const size_t used = end - before;
    if (!ParseHead()) return used;
    // An interim answer (100 Continue and the like) is followed by the real one.
    if (status_ >= 100 && status_ < 200) {
        head_.clear();
        headScan_ = 0;
        headers_.clear();
        status_ = 0;
        reason_.clear();
        state_ = State::Head;
    }
    return used;
}

bool HttpResponseParser::ParseHead() {
    std::vector<std::string_view> lines;
    std::string_view rest = head_;
    while (!rest.empty()) {
        size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest.remove_prefix(nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) break;
        lines.push_back(line);
    }
    const auto bad = [this](std::string what) { return Fail(NetError::BadResponse, NetErrorText(NetError::BadResponse) + ": " + what); };
    if (lines.empty()) return bad("empty status line");

    const std::string_view statusLine = lines[0];
    if (HasControlChar(statusLine) || statusLine.size() < 12 || statusLine.substr(0, 7) != "HTTP/1." ||
        statusLine[7] < '0' || statusLine[7] > '9' || statusLine[8] != ' ')
        return bad("status line");
    int status = 0;
    for (size_t i = 9; i < 12; ++i) {
        if (statusLine[i] < '0' || statusLine[i] > '9') return bad("status code");
        status = status * 10 + (statusLine[i] - '0');
    }
    if (status < 100 || (statusLine.size() > 12 && statusLine[12] != ' ')) return bad("status code");
    if (status == 101) return bad("protocol switch");
    status_ = status;
    reason_ = std::string(TrimBlanks(statusLine.size() > 12 ? statusLine.substr(13) : std::string_view()));

    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) return bad("header line");
        const std::string_view name = line.substr(0, colon);
        if (!std::all_of(name.begin(), name.end(), IsTokenChar)) return bad("header name");
        const std::string_view value = TrimBlanks(line.substr(colon + 1));
        if (HasControlChar(value)) return bad("header value");
        headers_.emplace_back(std::string(name), std::string(value));
    }
    if (status_ < 200) return true;

    state_ = State::Body;
    bool chunked = false, otherCoding = false;
    std::optional<int64_t> length;
    for (const auto& [n, v] : headers_) {
        if (SameText(n, "Transfer-Encoding")) {
            const size_t comma = v.rfind(',');
            const std::string last = AsciiLowerCase(TrimBlanks(comma == std::string::npos ? std::string_view(v) : std::string_view(v).substr(comma + 1)));
            chunked = last == "chunked";
            otherCoding = !chunked;
        } else if (SameText(n, "Content-Length")) {
            // Repeated or listed values must agree: differing ones are a smuggling attempt.
            std::string_view list = v;
            while (true) {
                const size_t comma = list.find(',');
                const auto one = ParseLength(list.substr(0, comma));
                if (!one || (length && *length != *one)) return bad("Content-Length");
                length = one;
                if (comma == std::string_view::npos) break;
                list.remove_prefix(comma + 1);
            }
        }
    }
    if (status_ == 204 || status_ == 304) {
        framing_ = Framing::None;
        state_ = State::Done;
    } else if (chunked) {
        framing_ = Framing::Chunked;
    } else if (otherCoding) {
        framing_ = Framing::UntilClose;
    } else if (length) {
        if (*length > maxBody_)
            return Fail(NetError::BodyLimit, LimitText(NetErrorText(NetError::BodyLimit), maxBody_));
        framing_ = Framing::Length;
        contentLength_ = *length;
        if (*length == 0) state_ = State::Done;
    } else {
        framing_ = Framing::UntilClose;
    }
    return true;
}

bool HttpResponseParser::Deliver(std::string_view bytes, const BodySink& sink) {
    if (static_cast<int64_t>(bytes.size()) > maxBody_ - bodyReceived_)
        return Fail(NetError::BodyLimit, LimitText(NetErrorText(NetError::BodyLimit), maxBody_));
    bodyReceived_ += static_cast<int64_t>(bytes.size());
    if (sink && !bytes.empty()) sink(bytes);
    return true;
}

size_t HttpResponseParser::FeedBody(std::string_view data, const BodySink& sink) {
    switch (framing_) {
    case Framing::Length: {
        const size_t n = static_cast<size_t>(std::min<int64_t>(contentLength_ - bodyReceived_, static_cast<int64_t>(data.size())));
        if (Deliver(data.substr(0, n), sink) && bodyReceived_ == contentLength_) state_ = State::Done;
        return data.size();  // bytes past the announced end are dropped with the connection
    }
    case Framing::UntilClose:
        Deliver(data, sink);
        return data.size();
    case Framing::Chunked:
        return FeedChunked(data, sink);
    case Framing::None:
        break;
    }
    state_ = State::Done;
    return data.size();
}

size_t HttpResponseParser::FeedChunked(std::string_view data, const BodySink& sink) {
    size_t used = 0;
    const auto bad = [this](std::string what) { return Fail(NetError::BadResponse, NetErrorText(NetError::BadResponse) + ": " + what); };
    while (used < data.size() && state_ == State::Body) {
        if (chunkStep_ == ChunkStep::Data) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(chunkLeft_, static_cast<int64_t>(data.size() - used)));
            if (!Deliver(data.substr(used, n), sink)) return used;
            used += n;
            chunkLeft_ -= static_cast<int64_t>(n);
            if (chunkLeft_ == 0) chunkStep_ = ChunkStep::DataEnd;
            continue;
        }
        // The other steps read one line at a time.
        const char c = data[used++];
        if (c != '\n') {
            line_ += c;
            if (line_.size() > kMaxChunkLine) return bad("chunk line too long"), used;
            if (chunkStep_ == ChunkStep::Trailer && ++trailerBytes_ > maxHead_) {
                Fail(NetError::HeaderLimit, LimitText(NetErrorText(NetError::HeaderLimit), static_cast<int64_t>(maxHead_)));
                return used;
            }
            continue;
        }
        std::string_view line = line_;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        switch (chunkStep_) {
        case ChunkStep::Size: {
            int64_t size = 0;
            size_t digits = 0;
            while (digits < line.size() && HexDigitValue(line[digits]) >= 0) {
                if (digits == 15) return bad("chunk size"), used;
                size = size * 16 + HexDigitValue(line[digits]);
                ++digits;
            }
            const std::string_view ext = TrimBlanks(line.substr(digits));
            if (digits == 0 || (!ext.empty() && ext.front() != ';') || HasControlChar(ext)) return bad("chunk size"), used;
            if (size > maxBody_ - bodyReceived_) {
                Fail(NetError::BodyLimit, LimitText(NetErrorText(NetError::BodyLimit), maxBody_));
                return used;
            }
            chunkLeft_ = size;
            chunkStep_ = size == 0 ? ChunkStep::Trailer : ChunkStep::Data;
            break;
        }
        case ChunkStep::DataEnd:
            if (!line.empty()) return bad("chunk end"), used;
            chunkStep_ = ChunkStep::Size;
            break;
        case ChunkStep::Trailer:
            if (line.empty()) state_ = State::Done;
            break;
        case ChunkStep::Data:
            break;
        }
        line_.clear();
    }
    return used;
}

void HttpResponseParser::Finish() {
    if (state_ == State::Body && framing_ == Framing::UntilClose) {
        state_ = State::Done;
    } else if (state_ == State::Head || state_ == State::Body) {
        Fail(NetError::Truncated, NetErrorText(NetError::Truncated));
    }
}
