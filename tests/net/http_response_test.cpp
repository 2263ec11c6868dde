#include "net/http_response.h"

#include <gtest/gtest.h>

namespace {

struct Parsed {
    HttpResponseParser::State state;
    NetError error;
    int status;
    int64_t contentLength;
    std::string body;
};

// Feeds the answer in pieces of `step` bytes (0 = all at once), then the end of the connection.
Parsed Parse(std::string_view answer, size_t step = 0, int64_t maxBody = 1 << 20, bool close = true) {
    HttpResponseParser p(maxBody, 256);
    std::string body;
    auto sink = [&](std::string_view b) { body.append(b); };
    size_t pos = 0;
    while (pos < answer.size() && (p.state() == HttpResponseParser::State::Head || p.state() == HttpResponseParser::State::Body)) {
        const size_t n = step ? std::min(step, answer.size() - pos) : answer.size() - pos;
        std::string_view piece = answer.substr(pos, n);
        size_t used = 0;
        while (used < piece.size()) {
            const size_t u = p.Feed(piece.substr(used), sink);
            if (u == 0) break;
            used += u;
        }
        pos += n;
    }
    if (close) p.Finish();
    return {p.state(), p.error(), p.status(), p.contentLength(), body};
}

using State = HttpResponseParser::State;

struct Case {
    const char* name;
    std::string_view answer;
    State state;
    NetError error;
    int status;
    int64_t contentLength;
    std::string_view body;
};

const Case kCases[] = {
    {"length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", State::Done, NetError::None, 200, 5, "hello"},
    {"bare LF", "HTTP/1.0 404 Not Found\nContent-Length: 3\n\nabc", State::Done, NetError::None, 404, 3, "abc"},
    {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\nA\r\n0123456789\r\n0\r\nT: 1\r\n\r\n",
     State::Done, NetError::None, 200, -1, "hello0123456789"},
    {"chunked wins over length", "HTTP/1.1 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: gzip, chunked\r\n\r\n2\r\nab\r\n0\r\n\r\n",
     State::Done, NetError::None, 200, -1, "ab"},
    {"close delimited", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\nuntil the end", State::Done, NetError::None, 200, -1, "until the end"},
    {"interim answer skipped", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", State::Done, NetError::None, 200, 2, "ok"},
    {"no content", "HTTP/1.1 204 No Content\r\n\r\n", State::Done, NetError::None, 204, -1, ""},
    {"empty reason", "HTTP/1.1 200\r\nContent-Length: 0\r\n\r\n", State::Done, NetError::None, 200, 0, ""},
    {"truncated body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", State::Failed, NetError::Truncated, 200, 10, "abc"},
    {"truncated head", "HTTP/1.1 200 OK\r\nContent-Le", State::Failed, NetError::Truncated, 0, -1, ""},
    {"truncated chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel", State::Failed, NetError::Truncated, 200, -1, "hel"},
    {"not http", "SSH-2.0-OpenSSH\r\n\r\n", State::Failed, NetError::BadResponse, 0, -1, ""},
    {"bad status", "HTTP/1.1 2x0 OK\r\n\r\n", State::Failed, NetError::BadResponse, 0, -1, ""},
    {"folded header", "HTTP/1.1 200 OK\r\nA: b\r\n c\r\n\r\n", State::Failed, NetError::BadResponse, 200, -1, ""},
    {"differing lengths", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd", State::Failed, NetError::BadResponse, 200, -1, ""},
    {"negative length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", State::Failed, NetError::BadResponse, 200, -1, ""},
    {"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", State::Failed, NetError::BadResponse, 200, -1, ""},
    {"chunk without end", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabX\r\n", State::Failed, NetError::BadResponse, 200, -1, "ab"},
    {"huge chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFF\r\n", State::Failed, NetError::BadResponse, 200, -1, ""},
};

class ResponseCases : public testing::TestWithParam<Case> {};

TEST_P(ResponseCases, WholeAndBytewise) {
    const Case& c = GetParam();
    for (size_t step : {size_t{0}, size_t{1}, size_t{7}}) {
        SCOPED_TRACE(step);
        const Parsed r = Parse(c.answer, step);
        EXPECT_EQ(r.state, c.state);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.status, c.status);
        if (c.state == State::Done) {
            EXPECT_EQ(r.contentLength, c.contentLength);
        }
        EXPECT_EQ(r.body, c.body);
    }
}

INSTANTIATE_TEST_SUITE_P(Http, ResponseCases, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& param) {
                             std::string n = param.param.name;
                             for (char& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(HttpResponse, HeadStopsBeforeTheBody) {
    HttpResponseParser p(100);
    std::string body;
    const std::string answer = "HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 4\r\n\r\nbody";
    const size_t used = p.Feed(answer, [&](std::string_view b) { body.append(b); });
    EXPECT_EQ(used, answer.size() - 4);
    EXPECT_EQ(p.state(), State::Body);
    EXPECT_EQ(p.Header("location"), "/next");
    EXPECT_EQ(p.reason(), "Found");
    EXPECT_TRUE(body.empty());
}

TEST(HttpResponse, LimitsEndTheTransferAndNameTheLimit) {
    // Head: 256 bytes allowed by Parse's parser.
    const Parsed head = Parse("HTTP/1.1 200 OK\r\nX: " + std::string(300, 'a') + "\r\n\r\n", 0, 100, false);
    EXPECT_EQ(head.error, NetError::HeaderLimit);
    const Parsed endless = Parse("HTTP/1.1 200 OK\r\nX: " + std::string(1000, 'a'), 13, 100, false);
    EXPECT_EQ(endless.error, NetError::HeaderLimit);

    for (std::string_view answer : {
             std::string_view("HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\n"),  // refused from the announcement
             std::string_view("HTTP/1.1 200 OK\r\n\r\n0123456789A"),
             std::string_view("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n6\r\n012345\r\n5\r\n"),
         }) {
        const Parsed r = Parse(answer, 3, 10, false);
        EXPECT_EQ(r.error, NetError::BodyLimit) << answer;
        EXPECT_LE(r.body.size(), 10u);
    }
    // Exactly at the limit is fine.
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\n\r\n0123456789", 3, 10).state, State::Done);

    HttpResponseParser p(10, 256);
    p.Feed("HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\n", nullptr);
    EXPECT_NE(p.errorText().find("10 bytes"), std::string::npos) << p.errorText();
    EXPECT_NE(p.errorText().find("body"), std::string::npos) << p.errorText();
}

}  // namespace
