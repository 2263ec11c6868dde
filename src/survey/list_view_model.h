#pragma once
// Between the rows that the scan pass writes and the list view that shows them:
// the pass keeps writing every row in the service's order, and the view shows
// them sorted and filtered. A shown row is the written row itself (texts,
// images and row data), so every command that reads a view row reads what the
// pass wrote.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/report_list.h"

// Frequency: a channel cell, "6 (2.437 GHz)", by the frequency in its brackets first.
enum class SortKind { Text, Number, Frequency };

struct ListColumn {
    std::string caption;
    SortKind kind = SortKind::Text;
};

struct SortOrder {
    int column = -1;  // -1: the service's order
    bool descending = false;
    bool operator==(const SortOrder&) const = default;
};

// A header click: the same column reverses, another column sorts ascending.
SortOrder NextSortOrder(SortOrder current, int column);
// The stored form: "" for the service's order, else "<column>,asc" or "<column>,desc".
std::string SortSettingText(SortOrder order);
// The service's order for a text that names no column below columnCount.
SortOrder ParseSortSetting(std::string_view text, int columnCount);

// Text ignoring ASCII case; numbers by the sequence of numbers in the cell
// ("-67 dBm", "6 (2.437 GHz)", "80% / -60dBm"), cells without one last.
int CompareCells(std::string_view a, std::string_view b, SortKind kind);

// Band and security classes that the filter's tokens name.
enum FilterBand : unsigned { kBand24 = 1, kBand5 = 2, kBand6 = 4 };
enum FilterSecurity : unsigned { kSecOpen = 1, kSecWep = 2, kSecWpa2 = 4, kSecWpa3 = 8 };
unsigned BandOfFrequency(uint32_t frequencyKhz);  // 0 outside the three bands
// The band of an access point's "Channel" cell, "6 (2.437 GHz)"; 0 when unreadable.
unsigned BandOfChannelText(std::string_view channel);
// From the "Authentication" and "Cipher" cells of a network row.
unsigned SecurityOfTexts(std::string_view auth, std::string_view cipher);

// What the filter can see of one row.
struct RowFacts {
    std::vector<std::string_view> texts;  // SSID, BSSID, vendor
    unsigned bands = 0;
    unsigned security = 0;
};

// The filter box: words match any of the row's texts (substring, ignoring case);
// the tokens 2.4, 5, 6 and open, wep, wpa2, wpa3 narrow to those bands and
// securities (tokens of one kind widen each other, kinds narrow each other).
class RowFilter {
public:
    RowFilter() = default;
    explicit RowFilter(std::string_view text);
    bool Empty() const { return words_.empty() && bands_ == 0 && security_ == 0; }
    bool Matches(const RowFacts& facts) const;

private:
    std::vector<std::string> words_;  // lower case
    unsigned bands_ = 0;
    unsigned security_ = 0;
};

// The selection of a list view, by shown row.
class RowSelection {
public:
    virtual ~RowSelection() = default;
    virtual std::vector<int> SelectedRows() const = 0;
    virtual void SelectRows(const std::vector<int>& rows) = 0;  // the others lose theirs
};

class ListViewModel : public ReportList {
public:
    explicit ListViewModel(std::vector<ListColumn> columns);

    // ReportList: the scan pass writes here, in the service's order.
    int RowCount() const override { return static_cast<int>(rows_.size()); }
    void AppendRow() override { rows_.emplace_back(); }
    void SetRow(int row, const ReportRow& content) override { rows_.at(static_cast<size_t>(row)) = content; }
    void DeleteLastRow() override { rows_.pop_back(); }
    void Clear() override { rows_.clear(); }

    const std::vector<ReportRow>& Rows() const { return rows_; }
    const std::vector<ListColumn>& Columns() const { return columns_; }
    // Caption and sub-items, padded or cut to the columns.
    std::vector<std::string> Cells(const ReportRow& row) const;

    SortOrder Sort() const { return sort_; }
    void SetSort(SortOrder order);
    // Which rows the view shows; none shows every row.
    void SetFilter(std::function<bool(const ReportRow&)> keep) { keep_ = std::move(keep); }
    // What makes a row the same network or access point from pass to pass.
    void SetIdentity(std::function<std::string(const ReportRow&)> identity) { identity_ = std::move(identity); }
    // A change of the shown row that carries no data (its image); the row data stays.
    void SetDecoration(std::function<void(ReportRow&)> decorate) { decorate_ = std::move(decorate); }

    // Indexes into Rows(): every row sorted, and the shown ones.
    std::vector<size_t> SortedOrder() const;
    std::vector<size_t> ShownOrder() const;

    // Writes the shown rows into the view, row by row (the view leaves unchanged
    // cells alone), and moves the selection to the rows of the same identity.
    void Present(ReportList& view, RowSelection* selection = nullptr);
    // The written row behind a shown row of the last Present; none when out of range.
    const ReportRow* ShownRow(int shownRow) const;
    int ShownCount() const { return static_cast<int>(shown_.size()); }
    int TotalCount() const { return RowCount(); }

private:
    std::string Identity(const ReportRow& row) const;

    std::vector<ListColumn> columns_;
    std::vector<ReportRow> rows_;
    SortOrder sort_;
    std::function<bool(const ReportRow&)> keep_;
    std::function<std::string(const ReportRow&)> identity_;
    std::function<void(ReportRow&)> decorate_;
    std::vector<ReportRow> shown_;  // as last presented, undecorated
};

// "12 of 40" beside the filter box.
std::string FilterStatusText(int shown, int total);
