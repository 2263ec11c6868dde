#pragma once
// What was seen, as a file or as clipboard text: the lists as shown in one CSV
// (RFC 4180, UTF-8 with a byte-order mark, so spreadsheet programs read it right),
// or tab-separated rows for pasting into a report. survey_records.h has the shapes
// for scripts.
#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "survey/list_view_model.h"

using DetailPairs = std::vector<std::pair<std::string, std::string>>;  // caption, value

struct ExportTable {
    std::string kind;     // "Adapter", "Network", "Access point": a CSV record's first field
    std::string jsonKey;  // "adapters", "networks", "access_points"
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
    std::vector<DetailPairs> detail;  // per row, or empty: the decoded radio detail
};

// When and by what a document was made.
struct ExportStamp {
    std::string capturedAt;  // ISO 8601, UTC
    std::string program;
    std::string version;
    uint64_t micros = 0;  // the same time, in microseconds since 1970, for a packet capture
};

struct ExportDocument {
    std::string capturedAt;  // ISO 8601, UTC
    std::string program;
    std::string version;
    std::vector<ExportTable> tables;
};

// The save dialog's types, in its order: the lists as shown (captions and units in the
// cells, as on screen), one table each for scripts and spreadsheets, the survey as one
// JSON document, and the BSS entries as a packet capture.
enum class ExportFormat { TableCsv, AccessPointsCsv, NetworksCsv, AdaptersCsv, SurveyJson, Pcapng };

// "2024-05-01T09:30:00Z".
std::string UtcTimestampText(std::chrono::system_clock::time_point at);
ExportStamp StampAt(std::chrono::system_clock::time_point at, std::string program, std::string version);

// The rows of a list that its view shows, in the view's order: what the user sees is what is written.
ExportTable TableOf(const ListViewModel& list, std::string kind, std::string jsonKey);

std::string CsvField(std::string_view text);
// One table: each list's header record, then its rows; every record starts with
// the list it belongs to and has the same number of fields.
std::string ExportCsv(const ExportDocument& document);
// A JSON string literal; bytes that are no UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);

// The header line and the rows, cells split by tabs, lines by CR LF; tabs and
// line breaks inside a cell become blanks.
std::string TabSeparatedText(const std::vector<std::string>& headers,
                             const std::vector<std::vector<std::string>>& rows);
