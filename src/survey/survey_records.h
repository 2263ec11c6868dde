#pragma once
// The survey for scripts and spreadsheets (docs/export-format.md): plain names,
// numbers as numbers with their unit in the name, one CSV table per list, one
// JSON document with its format and version, and the same object on one line for
// a console's stream. The rows are those the views show, in their order.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "survey/survey_export.h"

inline constexpr std::string_view kExportFormatName = "vellumar-export";
inline constexpr int kSurveyFormatVersion = 1;

struct AdapterRecord {
    std::string name;
    std::string state;
    std::string phyTypes;  // "b/g/n/ax"
};

struct NetworkRecord {
    std::string ssid;  // exact bytes; "" for a hidden network
    uint32_t signalQuality = 0;  // percent
    int32_t signalDbm = 0;       // as the quality maps to dBm
    std::string authentication;
    std::string cipher;
};

struct AccessPointRecord {
    std::string bssid;  // "00:1A:2B:3C:4D:5E"
    std::string ssid;   // exact bytes; "" for a hidden network
    int32_t channel = 0;  // 0: no known band
    uint32_t frequencyMhz = 0;
    int32_t rssiDbm = 0;
    uint32_t linkQuality = 0;  // percent
    std::string vendor;
    std::string standard;  // "Wi-Fi 6E"; "" when the elements do not say
    std::optional<uint32_t> widthMhz;
    uint16_t beaconIntervalTu = 0;
    std::vector<uint16_t> rateHalves;  // in 0.5 Mbit/s: 11 is 5.5 Mbit/s
    DetailPairs detail;  // the decoded radio detail, caption and value
};

struct SurveyRecords {
    ExportStamp stamp;
    std::vector<AdapterRecord> adapters;
    std::vector<NetworkRecord> networks;
    std::vector<AccessPointRecord> accessPoints;
};

// "5.5", "54": a rate given in 0.5 Mbit/s.
std::string RateText(uint16_t halves);

// One table each, UTF-8 with a byte-order mark, CR LF; texts from the air kept as text for a spreadsheet.
std::string AdaptersCsv(const SurveyRecords& records);
std::string NetworksCsv(const SurveyRecords& records);
std::string AccessPointsCsv(const SurveyRecords& records);
// The same with the pass's number in a first column "pass": a recording's passes one after another.
std::string AccessPointsCsvWithPass(const SurveyRecords& records, uint64_t pass);
// The document, indented; texts exact (bytes that are no UTF-8 become U+FFFD).
std::string SurveyJson(const SurveyRecords& records);
// The same object on one line without a line break, and "pass" after "version".
std::string SurveyJsonLine(const SurveyRecords& records, uint64_t pass);

// An export of ours (any of its shapes, the table as shown included) rather than a
// recording: for the message when one is opened as a recording. head: the file's first bytes.
bool LooksLikeExport(std::string_view head);
inline constexpr std::string_view kExportNotRecording = "This is an export, not a recording";
