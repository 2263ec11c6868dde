#include "survey/survey_records.h"

#include <functional>
#include <type_traits>
#include <utility>

#include "common/air_text.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kFormatKey = "\"format\": \"vellumar-export\"";

enum class Kind { Text, Number, Numbers };  // Numbers: blank-separated in CSV, an array in JSON

struct Value {
    Kind kind;
    std::string text;  // a number's text; "" for none (empty cell, null)
};

template <typename Record>
struct Field {
    std::string_view name;
    std::function<Value(const Record&)> get;
};

Value Text(const std::string& text) { return {Kind::Text, text}; }
Value Number(int64_t n) { return {Kind::Number, std::to_string(n)}; }

const std::vector<Field<AdapterRecord>>& AdapterFields() {
    static const std::vector<Field<AdapterRecord>> fields = {
        {"name", [](const AdapterRecord& r) { return Text(r.name); }},
        {"state", [](const AdapterRecord& r) { return Text(r.state); }},
        {"phy_types", [](const AdapterRecord& r) { return Text(r.phyTypes); }},
    };
    return fields;
}

const std::vector<Field<NetworkRecord>>& NetworkFields() {
    static const std::vector<Field<NetworkRecord>> fields = {
        {"ssid", [](const NetworkRecord& r) { return Text(r.ssid); }},
        {"signal_quality_percent", [](const NetworkRecord& r) { return Number(r.signalQuality); }},
        {"signal_dbm", [](const NetworkRecord& r) { return Number(r.signalDbm); }},
        {"authentication", [](const NetworkRecord& r) { return Text(r.authentication); }},
        {"cipher", [](const NetworkRecord& r) { return Text(r.cipher); }},
    };
    return fields;
}

const std::vector<Field<AccessPointRecord>>& AccessPointFields() {
    static const std::vector<Field<AccessPointRecord>> fields = {
        {"bssid", [](const AccessPointRecord& r) { return Text(r.bssid); }},
        {"ssid", [](const AccessPointRecord& r) { return Text(r.ssid); }},
        {"channel", [](const AccessPointRecord& r) { return r.channel ? Number(r.channel) : Value{Kind::Number, ""}; }},
        {"frequency_mhz", [](const AccessPointRecord& r) { return Number(r.frequencyMhz); }},
        {"rssi_dbm", [](const AccessPointRecord& r) { return Number(r.rssiDbm); }},
        {"link_quality_percent", [](const AccessPointRecord& r) { return Number(r.linkQuality); }},
        {"vendor", [](const AccessPointRecord& r) { return Text(r.vendor); }},
        {"standard", [](const AccessPointRecord& r) { return Text(r.standard); }},
        {"width_mhz",
         [](const AccessPointRecord& r) { return r.widthMhz ? Number(*r.widthMhz) : Value{Kind::Number, ""}; }},
        {"beacon_interval_tu", [](const AccessPointRecord& r) { return Number(r.beaconIntervalTu); }},
        {"rates_mbps",
         [](const AccessPointRecord& r) {
             std::string rates;
             for (uint16_t rate : r.rateHalves) {
                 if (!rates.empty()) rates += ' ';
                 rates += RateText(rate);
             }
             return Value{Kind::Numbers, rates};
         }},
    };
    return fields;
}

// pass: a first column with the pass's number.
template <typename Record>
std::string Csv(const std::vector<Field<Record>>& fields, const std::vector<Record>& records,
                std::optional<uint64_t> pass = std::nullopt) {
    std::string out(kBom);
    if (pass) out += "pass,";
    for (size_t f = 0; f < fields.size(); ++f) {
        if (f) out += ',';
        out += fields[f].name;
    }
    out += kCrLf;
    for (const Record& record : records) {
        if (pass) {
            out += std::to_string(*pass);
            out += ',';
        }
        for (size_t f = 0; f < fields.size(); ++f) {
            const Value value = fields[f].get(record);
            if (f) out += ',';
            // Names from the air may start like a formula; a spreadsheet must show them, not run them.
            out += CsvField(value.kind == Kind::Text ? SpreadsheetSafe(value.text) : value.text);
        }
        out += kCrLf;
    }
    return out;
}

std::string JsonValue(const Value& value) {
    if (value.kind == Kind::Text) return JsonString(value.text);
    if (value.kind == Kind::Number) return value.text.empty() ? "null" : value.text;
    std::string out = "[";
    for (char c : value.text) {
        if (c == ' ') out += ", ";
        else out += c;
    }
    return out + "]";
}

template <typename Record>
std::string JsonObject(const std::vector<Field<Record>>& fields, const Record& record) {
    std::string out = "{";
    for (size_t f = 0; f < fields.size(); ++f) {
        out += f ? ", \"" : "\"";
        out += fields[f].name;
        out += "\": ";
        out += JsonValue(fields[f].get(record));
    }
    if constexpr (std::is_same_v<Record, AccessPointRecord>) {
        if (!record.detail.empty()) {
            // Pairs, not an object: a caption may come twice.
            out += ", \"detail\": [";
            for (size_t d = 0; d < record.detail.size(); ++d) {
                out += d ? ", [" : "[";
                out += JsonString(record.detail[d].first);
                out += ", ";
                out += JsonString(record.detail[d].second);
                out += ']';
            }
            out += "]";
        }
    }
    return out + "}";
}

// lines: each record on a line of its own; else all on one.
template <typename Record>
std::string JsonArray(std::string_view key, const std::vector<Field<Record>>& fields,
                      const std::vector<Record>& records, bool lines) {
    std::string out = lines ? ",\n  \"" : ", \"";
    out += key;
    out += "\": [";
    for (size_t r = 0; r < records.size(); ++r) {
        if (r) out += ',';
        out += lines ? "\n    " : r ? " " : "";
        out += JsonObject(fields, records[r]);
    }
    out += lines && !records.empty() ? "\n  ]" : "]";
    return out;
}

std::string Json(const SurveyRecords& records, bool lines, std::optional<uint64_t> pass) {
    const std::string_view gap = lines ? ",\n  " : ", ";
    std::string out = lines ? "{\n  " : "{";
    bool first = true;
    auto key = [&](std::string_view name, const std::string& value) {
        if (!std::exchange(first, false)) out += gap;
        out += '"';
        out += name;
        out += "\": ";
        out += value;
    };
    key("format", JsonString(kExportFormatName));
    key("version", std::to_string(kSurveyFormatVersion));
    if (pass) key("pass", std::to_string(*pass));
    key("captured_at", JsonString(records.stamp.capturedAt));
    key("program", JsonString(records.stamp.program));
    key("program_version", JsonString(records.stamp.version));
    out += JsonArray("adapters", AdapterFields(), records.adapters, lines);
    out += JsonArray("networks", NetworkFields(), records.networks, lines);
    out += JsonArray("access_points", AccessPointFields(), records.accessPoints, lines);
    return out + (lines ? "\n}\n" : "}");
}

}  // namespace

std::string RateText(uint16_t halves) {
    std::string text = std::to_string(halves / 2);
    if (halves % 2) text += ".5";
    return text;
}

std::string AdaptersCsv(const SurveyRecords& records) { return Csv(AdapterFields(), records.adapters); }
std::string NetworksCsv(const SurveyRecords& records) { return Csv(NetworkFields(), records.networks); }
std::string AccessPointsCsv(const SurveyRecords& records) { return Csv(AccessPointFields(), records.accessPoints); }
std::string AccessPointsCsvWithPass(const SurveyRecords& records, uint64_t pass) {
    return Csv(AccessPointFields(), records.accessPoints, pass);
}
std::string SurveyJson(const SurveyRecords& records) { return Json(records, true, std::nullopt); }
std::string SurveyJsonLine(const SurveyRecords& records, uint64_t pass) { return Json(records, false, pass); }

bool LooksLikeExport(std::string_view head) {
    if (head.starts_with(kBom)) head.remove_prefix(kBom.size());
    while (!head.empty() && (head.front() == ' ' || head.front() == '\t' || head.front() == '\r' || head.front() == '\n'))
        head.remove_prefix(1);
    for (std::string_view csv : {std::string_view("List,"), std::string_view("name,state,phy_types\r\n"),
                                 std::string_view("ssid,signal_quality_percent,"), std::string_view("bssid,ssid,"),
                                 std::string_view("pass,bssid,ssid,")})
        if (head.starts_with(csv)) return true;
    if (!head.starts_with('{')) return false;
    // The survey document, or the earlier one with on-screen captions for keys.
    return head.find(kFormatKey) != std::string_view::npos ||
           (head.find("\"captured\": ") != std::string_view::npos && head.find("\"program\": ") != std::string_view::npos);
}
