#include "survey/list_view_model.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "common/text.h"

namespace {

constexpr std::string_view kAscending = "asc";
constexpr std::string_view kDescending = "desc";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The numbers of a cell, in order: an optional minus, digits, and a fraction
// after "." or "," (the locale's separator in the channel cell).
std::vector<double> NumbersIn(std::string_view text) {
    std::vector<double> numbers;
    size_t i = 0;
    while (i < text.size()) {
        if (!IsDigit(text[i])) {
            ++i;
            continue;
        }
        const bool negative = i > 0 && text[i - 1] == '-';
        double value = 0;
        while (i < text.size() && IsDigit(text[i])) value = value * 10 + (text[i++] - '0');
        if (i + 1 < text.size() && (text[i] == '.' || text[i] == ',') && IsDigit(text[i + 1])) {
            double scale = 0.1;
            for (++i; i < text.size() && IsDigit(text[i]); ++i, scale /= 10) value += (text[i] - '0') * scale;
        }
        numbers.push_back(negative ? -value : value);
    }
    return numbers;
}

int CompareText(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

struct NamedToken {
    std::string_view token;
    unsigned band;
    unsigned security;
};

constexpr NamedToken kTokens[] = {
    {"2.4", kBand24, 0}, {"5", kBand5, 0},       {"6", kBand6, 0},         {"open", 0, kSecOpen},
    {"wep", 0, kSecWep}, {"wpa2", 0, kSecWpa2}, {"wpa3", 0, kSecWpa3},
};

struct AuthClass {
    std::string_view auth;
    unsigned security;
};

// Authentication texts and the tokens they answer to; open with a WEP cipher is WEP.
constexpr AuthClass kAuthClasses[] = {
    {"802.11 Open", kSecOpen},     {"OWE", kSecOpen},        {"802.11 Shared Key", kSecWep},
    {"RSNA", kSecWpa2},            {"RSNA-PSK", kSecWpa2},   {"WPA3-Enterprise 192", kSecWpa3},
    {"WPA3-SAE", kSecWpa3},        {"WPA3-Enterprise", kSecWpa3},
};

}  // namespace

SortOrder NextSortOrder(SortOrder current, int column) {
    if (current.column == column) return {column, !current.descending};
    return {column, false};
}

std::string SortSettingText(SortOrder order) {
    if (order.column < 0) return "";
    return std::to_string(order.column) + "," + std::string(order.descending ? kDescending : kAscending);
}

SortOrder ParseSortSetting(std::string_view text, int columnCount) {
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) return {};
    const std::optional<int32_t> column = StrToInt(text.substr(0, comma));
    const std::string_view direction = text.substr(comma + 1);
    if (!column || *column < 0 || *column >= columnCount) return {};
    if (direction == kAscending) return {*column, false};
    if (direction == kDescending) return {*column, true};
    return {};
}

namespace {

std::vector<double> SortNumbers(std::string_view cell, SortKind kind) {
    const size_t open = cell.find('(');
    if (kind != SortKind::Frequency || open == std::string_view::npos) return NumbersIn(cell);
    std::vector<double> numbers = NumbersIn(cell.substr(open));
    for (double n : NumbersIn(cell.substr(0, open))) numbers.push_back(n);
    return numbers;
}

}  // namespace

int CompareCells(std::string_view a, std::string_view b, SortKind kind) {
    if (kind != SortKind::Text) {
        const std::vector<double> na = SortNumbers(a, kind), nb = SortNumbers(b, kind);
        if (na.empty() != nb.empty()) return na.empty() ? 1 : -1;
        if (na < nb) return -1;
        if (nb < na) return 1;
    }
    return CompareText(a, b);
}

unsigned BandOfFrequency(uint32_t frequencyKhz) {
    if (frequencyKhz >= 2400000 && frequencyKhz < 2500000) return kBand24;
    if (frequencyKhz >= 4900000 && frequencyKhz < 5925000) return kBand5;
    if (frequencyKhz >= 5925000 && frequencyKhz <= 7125000) return kBand6;
    return 0;
}

unsigned BandOfChannelText(std::string_view channel) {
    const size_t open = channel.find('(');
    if (open == std::string_view::npos) return 0;
    const std::vector<double> numbers = NumbersIn(channel.substr(open));
    if (numbers.empty() || numbers.front() <= 0) return 0;
    return BandOfFrequency(static_cast<uint32_t>(numbers.front() * 1000000 + 0.5));
}

unsigned SecurityOfTexts(std::string_view auth, std::string_view cipher) {
    if (TextStartsWith(cipher, "WEP")) return kSecWep;
    for (const auto& [text, security] : kAuthClasses)
        if (SameText(auth, text)) return security;
    return 0;
}

RowFilter::RowFilter(std::string_view text) {
    const int count = CountTokens(text, " \t");
    for (int k = 0; k < count; ++k) {
        const std::string word = AsciiLowerCase(TokenAt(text, k, " \t"));
        if (word.empty()) continue;
        const auto token = std::find_if(std::begin(kTokens), std::end(kTokens),
                                        [&](const NamedToken& t) { return t.token == word; });
        if (token != std::end(kTokens)) {
            bands_ |= token->band;
            security_ |= token->security;
        } else {
            words_.push_back(word);
        }
    }
}

bool RowFilter::Matches(const RowFacts& facts) const {
    if (bands_ && !(facts.bands & bands_)) return false;
    if (security_ && !(facts.security & security_)) return false;
    return std::all_of(words_.begin(), words_.end(), [&](const std::string& word) {
        return std::any_of(facts.texts.begin(), facts.texts.end(),
                           [&](std::string_view text) { return AsciiLowerCase(text).find(word) != std::string::npos; });
    });
}

ListViewModel::ListViewModel(std::vector<ListColumn> columns) : columns_(std::move(columns)) {}

std::vector<std::string> ListViewModel::Cells(const ReportRow& row) const {
    std::vector<std::string> cells;
    cells.reserve(columns_.size());
    cells.push_back(row.caption);
    for (size_t c = 1; c < columns_.size(); ++c) cells.push_back(c - 1 < row.subItems.size() ? row.subItems[c - 1] : "");
    return cells;
}

void ListViewModel::SetSort(SortOrder order) {
    sort_ = order.column < static_cast<int>(columns_.size()) ? order : SortOrder{};
}

std::vector<size_t> ListViewModel::SortedOrder() const {
    std::vector<size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (sort_.column < 0) return order;
    const auto column = static_cast<size_t>(sort_.column);
    const SortKind kind = columns_[column].kind;
    // Each row's key once, not once per comparison.
    struct Key {
        std::vector<double> numbers;
        std::string text;
    };
    std::vector<Key> keys(rows_.size());
    for (size_t row = 0; row < rows_.size(); ++row) {
        const ReportRow& r = rows_[row];
        const std::string_view cell = column == 0 ? std::string_view(r.caption)
                                      : column - 1 < r.subItems.size() ? std::string_view(r.subItems[column - 1])
                                                                       : std::string_view();
        if (kind != SortKind::Text) keys[row].numbers = SortNumbers(cell, kind);
        keys[row].text = AsciiLowerCase(cell);
    }
    auto compare = [&](const Key& a, const Key& b) {
        if (kind != SortKind::Text) {
            if (a.numbers.empty() != b.numbers.empty()) return a.numbers.empty() ? 1 : -1;
            if (a.numbers != b.numbers) return a.numbers < b.numbers ? -1 : 1;
        }
        return a.text.compare(b.text);
    };
    // Stable: equal keys keep the service's order in both directions.
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int c = compare(keys[a], keys[b]);
        return sort_.descending ? c > 0 : c < 0;
    });
    return order;
}

std::vector<size_t> ListViewModel::ShownOrder() const {
    std::vector<size_t> order = SortedOrder();
    if (keep_) std::erase_if(order, [&](size_t row) { return !keep_(rows_[row]); });
    return order;
}

std::string ListViewModel::Identity(const ReportRow& row) const { return identity_ ? identity_(row) : row.caption; }

void ListViewModel::Present(ReportList& view, RowSelection* selection) {
    std::vector<std::string> selectedKeys;
    std::vector<int> before;
    if (selection) {
        before = selection->SelectedRows();
        for (int row : before)
            if (row >= 0 && row < ShownCount()) selectedKeys.push_back(Identity(shown_[static_cast<size_t>(row)]));
    }

    const std::vector<size_t> order = ShownOrder();
    shown_.clear();
    shown_.reserve(order.size());
    for (size_t row : order) shown_.push_back(rows_[row]);

    const int count = ShownCount();
    while (view.RowCount() > count) view.DeleteLastRow();
    for (int k = 0; k < count; ++k) {
        if (view.RowCount() == k) view.AppendRow();
        if (decorate_) {
            ReportRow decorated = shown_[static_cast<size_t>(k)];
            decorate_(decorated);
            view.SetRow(k, decorated);
        } else {
            view.SetRow(k, shown_[static_cast<size_t>(k)]);
        }
    }

    if (!selection) return;
    std::vector<int> after;
    std::vector<bool> taken(shown_.size());
    for (const std::string& key : selectedKeys) {
        for (size_t k = 0; k < shown_.size(); ++k) {
            if (!taken[k] && Identity(shown_[k]) == key) {
                taken[k] = true;
                after.push_back(static_cast<int>(k));
                break;
            }
        }
    }
    std::sort(after.begin(), after.end());
    std::sort(before.begin(), before.end());
    if (after != before) selection->SelectRows(after);
}

const ReportRow* ListViewModel::ShownRow(int shownRow) const {
    if (shownRow < 0 || shownRow >= ShownCount()) return nullptr;
    return &shown_[static_cast<size_t>(shownRow)];
}

std::string FilterStatusText(int shown, int total) { return std::to_string(shown) + " of " + std::to_string(total); }
