#pragma once
// The three main-window lists as the views see them: their columns and how
// each sorts, what makes a row the same network or access point from pass to
// pass, and what the filter box can match in a row.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "survey/list_view_model.h"

std::vector<ListColumn> AdapterColumns();
std::vector<ListColumn> NetworkColumns();
std::vector<ListColumn> AccessPointColumns();

// The network: its name, security and interface (the available-network list
// may hold one name twice, with different security).
std::string NetworkIdentity(const ReportRow& row);
// The access point: its BSSID.
std::string AccessPointIdentity(const ReportRow& row);

// What one list tells the filter about the other: a network's bands come from
// the access points of its name, an access point's security from the networks
// of its name.
class SurveyFacts {
public:
    void Collect(const std::vector<ReportRow>& networks, const std::vector<ReportRow>& accessPoints);
    unsigned BandsOf(std::string_view ssid) const;
    unsigned SecurityOf(std::string_view ssid) const;

private:
    std::unordered_map<std::string, unsigned> bands_;     // by lower-case SSID
    std::unordered_map<std::string, unsigned> security_;  // by lower-case SSID
};

RowFacts NetworkRowFacts(const ReportRow& row, const SurveyFacts& facts);
// vendorColumn: the column of the access point's maker, -1 when the list has none.
RowFacts AccessPointRowFacts(const ReportRow& row, const SurveyFacts& facts, int vendorColumn);
// The column of that caption, -1 when absent.
int ColumnOf(const std::vector<ListColumn>& columns, std::string_view caption);
