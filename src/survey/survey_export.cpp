#include "survey/survey_export.h"

#include <algorithm>
#include <cstdio>

#include "common/air_text.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kListHeader = "List";
constexpr std::string_view kDetailHeader = "Detail";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the UTF-8 sequence at text[i], 0 when it is none.
size_t Utf8Length(std::string_view text, size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    uint32_t min = 0;
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) length = 2, min = 0x80;
    else if ((b & 0xF0) == 0xE0) length = 3, min = 0x800;
    else if ((b & 0xF8) == 0xF0) length = 4, min = 0x10000;
    else return 0;
    if (i + length > text.size()) return 0;
    uint32_t code = b & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        code = code << 6 | (c & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

std::string DetailCell(const DetailPairs& pairs) {
    std::string cell;
    for (const auto& [caption, value] : pairs) {
        if (!cell.empty()) cell += "; ";
        cell += caption + " " + value;
    }
    return cell;
}

bool HasDetail(const ExportTable& table) {
    return std::any_of(table.detail.begin(), table.detail.end(), [](const DetailPairs& d) { return !d.empty(); });
}

void AppendRecord(std::string& out, const std::vector<std::string>& fields, size_t width) {
    for (size_t k = 0; k < width; ++k) {
        if (k) out += ',';
        // Names from the air may start like a formula; a spreadsheet must show them, not run them.
        if (k < fields.size()) out += CsvField(SpreadsheetSafe(fields[k]));
    }
    out += kCrLf;
}

std::string CleanCell(std::string_view text) {
    std::string cell(text);
    std::replace_if(cell.begin(), cell.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return cell;
}

}  // namespace

ExportTable TableOf(const ListViewModel& list, std::string kind, std::string jsonKey) {
    ExportTable table{std::move(kind), std::move(jsonKey), {}, {}, {}};
    for (const ListColumn& column : list.Columns()) table.headers.push_back(column.caption);
    for (size_t row : list.ShownOrder()) table.rows.push_back(list.Cells(list.Rows()[row]));
    return table;
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string field = "\"";
    for (char c : text) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + '"';
}

std::string ExportCsv(const ExportDocument& document) {
    size_t width = 0;
    for (const ExportTable& table : document.tables)
        width = std::max(width, 1 + table.headers.size() + (HasDetail(table) ? 1 : 0));
    std::string out(kBom);
    for (const ExportTable& table : document.tables) {
        const bool detail = HasDetail(table);
        std::vector<std::string> header{std::string(kListHeader)};
        header.insert(header.end(), table.headers.begin(), table.headers.end());
        if (detail) header.emplace_back(kDetailHeader);
        AppendRecord(out, header, width);
        for (size_t r = 0; r < table.rows.size(); ++r) {
            std::vector<std::string> record{table.kind};
            record.insert(record.end(), table.rows[r].begin(), table.rows[r].end());
            record.resize(1 + table.headers.size());
            if (detail) record.push_back(r < table.detail.size() ? DetailCell(table.detail[r]) : "");
            AppendRecord(out, record, width);
        }
    }
    return out;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        const size_t length = Utf8Length(text, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        ++i;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + '"';
}

std::string TabSeparatedText(const std::vector<std::string>& headers,
                             const std::vector<std::vector<std::string>>& rows) {
    std::string out;
    auto line = [&](const std::vector<std::string>& cells) {
        for (size_t c = 0; c < cells.size(); ++c) {
            if (c) out += '\t';
            out += CleanCell(SpreadsheetSafe(cells[c]));
        }
        out += kCrLf;
    };
    line(headers);
    for (const auto& row : rows) line(row);
    return out;
}

std::string UtcTimestampText(std::chrono::system_clock::time_point at) {
    using namespace std::chrono;
    const auto day = floor<days>(at);
    const year_month_day date(day);
    const hh_mm_ss time(floor<seconds>(at - day));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02lldZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<long>(time.hours().count()), static_cast<long>(time.minutes().count()),
                  static_cast<long long>(time.seconds().count()));
    return text;
}

ExportStamp StampAt(std::chrono::system_clock::time_point at, std::string program, std::string version) {
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(at.time_since_epoch()).count();
    return {UtcTimestampText(at), std::move(program), std::move(version), static_cast<uint64_t>(std::max<int64_t>(micros, 0))};
}
