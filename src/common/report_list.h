#pragma once
// What the scan pass and the detail views write into a list. The window layer
// implements it over a list view; tests implement it over a vector.
#include <cstdint>
#include <string>
#include <vector>

struct ReportRow {
    std::string caption;
    std::vector<std::string> subItems;
    int image = -1;                  // -1: no image
    std::vector<int> subItemImages;  // per sub-item; -1 or missing: none
    intptr_t data = 0;
    bool operator==(const ReportRow&) const = default;
};

class ReportList {
public:
    virtual ~ReportList() = default;
    virtual int RowCount() const = 0;
    virtual void AppendRow() = 0;
    virtual void SetRow(int row, const ReportRow& content) = 0;
    virtual void DeleteLastRow() = 0;
    virtual void Clear() = 0;
};

// A plain list: the test double.
class VectorReportList : public ReportList {
public:
    int RowCount() const override { return static_cast<int>(rows.size()); }
    void AppendRow() override { rows.emplace_back(); }
    void SetRow(int row, const ReportRow& content) override { rows.at(static_cast<size_t>(row)) = content; }
    void DeleteLastRow() override { rows.pop_back(); }
    void Clear() override { rows.clear(); }
    std::vector<ReportRow> rows;
};
