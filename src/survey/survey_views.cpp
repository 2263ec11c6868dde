#include "survey/survey_views.h"

#include "common/text.h"

namespace {

// Sub-items of the rows, as the scan pass writes them.
constexpr size_t kNetAuth = 1, kNetCipher = 2;
constexpr size_t kApSsid = 0, kApChannel = 1;

std::string_view SubItem(const ReportRow& row, size_t index) {
    return index < row.subItems.size() ? std::string_view(row.subItems[index]) : std::string_view();
}

}  // namespace

std::vector<ListColumn> AdapterColumns() {
    return {{"Adapter Name", SortKind::Text}, {"State", SortKind::Text}, {"802.11 Capacity", SortKind::Text}};
}

std::vector<ListColumn> NetworkColumns() {
    return {{"Network Name (SSID)", SortKind::Text},
            {"Signal Quality", SortKind::Number},
            {"Authentication", SortKind::Text},
            {"Cipher", SortKind::Text}};
}

std::vector<ListColumn> AccessPointColumns() {
    return {{"AP Name / MAC", SortKind::Text},
            {"SSID", SortKind::Text},
            {"Channel", SortKind::Frequency},  // 6 GHz channel 1 after 5 GHz channel 165
            {"RSSi", SortKind::Number},
            {"Vendor", SortKind::Text},
            {"Standard", SortKind::Text},
            {"Width", SortKind::Number}};
}

std::string NetworkIdentity(const ReportRow& row) {
    // The row data's interface part: data div 100 for the usual codes.
    const intptr_t interfaceIndex = row.data >= 0 ? row.data / 100 : -1;
    return std::to_string(interfaceIndex) + '\n' + AsciiLowerCase(row.caption) + '\n' +
           std::string(SubItem(row, kNetAuth)) + '\n' + std::string(SubItem(row, kNetCipher));
}

std::string AccessPointIdentity(const ReportRow& row) { return AsciiLowerCase(row.caption); }

void SurveyFacts::Collect(const std::vector<ReportRow>& networks, const std::vector<ReportRow>& accessPoints) {
    bands_.clear();
    security_.clear();
    for (const ReportRow& ap : accessPoints)
        bands_[AsciiLowerCase(SubItem(ap, kApSsid))] |= BandOfChannelText(SubItem(ap, kApChannel));
    for (const ReportRow& net : networks)
        security_[AsciiLowerCase(net.caption)] |= SecurityOfTexts(SubItem(net, kNetAuth), SubItem(net, kNetCipher));
}

unsigned SurveyFacts::BandsOf(std::string_view ssid) const {
    const auto it = bands_.find(AsciiLowerCase(ssid));
    return it == bands_.end() ? 0 : it->second;
}

unsigned SurveyFacts::SecurityOf(std::string_view ssid) const {
    const auto it = security_.find(AsciiLowerCase(ssid));
    return it == security_.end() ? 0 : it->second;
}

RowFacts NetworkRowFacts(const ReportRow& row, const SurveyFacts& facts) {
    return {{row.caption}, facts.BandsOf(row.caption), SecurityOfTexts(SubItem(row, kNetAuth), SubItem(row, kNetCipher))};
}

RowFacts AccessPointRowFacts(const ReportRow& row, const SurveyFacts& facts, int vendorColumn) {
    const std::string_view ssid = SubItem(row, kApSsid);
    RowFacts result{{row.caption, ssid}, BandOfChannelText(SubItem(row, kApChannel)), facts.SecurityOf(ssid)};
    if (vendorColumn > 0) result.texts.push_back(SubItem(row, static_cast<size_t>(vendorColumn - 1)));
    return result;
}

int ColumnOf(const std::vector<ListColumn>& columns, std::string_view caption) {
    for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c].caption == caption) return static_cast<int>(c);
    return -1;
}
