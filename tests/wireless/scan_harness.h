#pragma once
// A scan pass wired to the simulated service, vector lists and recording doubles.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "common/run_log.h"
#include "sim/simulated_wlan.h"
#include "wireless/scan_pass.h"

inline void PrintTo(const ReportRow& row, std::ostream* os) {
    *os << "{\"" << row.caption << "\" {";
    for (const auto& item : row.subItems) *os << "\"" << item << "\" ";
    *os << "} image " << row.image << " {";
    for (int image : row.subItemImages) *os << image << " ";
    *os << "} data " << row.data << "}";
}

namespace scantest {

// A verbose log in a folder of its own; Lines() gives "Level: text", oldest first.
class TempLog {
public:
    TempLog() {
        std::random_device rd;
        dir_ = std::filesystem::temp_directory_path() / ("scanlog-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(dir_);
        log_.emplace(RunLogOptions{.file_name = (dir_ / "Vellumar.log").string(), .verbose = true});
    }
    ~TempLog() {
        log_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TRunLog* get() { return &*log_; }
    size_t Count() const { return log_->Lines().size(); }
    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (auto it = log_->Lines().rbegin(); it != log_->Lines().rend(); ++it) {
            const size_t marker = it->find('\t'), stamp = it->find('\t', marker + 1);
            out.push_back(it->substr(0, marker) + ": " + it->substr(stamp + 1));
        }
        return out;
    }
    // The lines added after the first `from`.
    std::vector<std::string> LinesSince(size_t from) const {
        auto all = Lines();
        return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end());
    }

private:
    std::filesystem::path dir_;
    std::optional<TRunLog> log_;
};

// Chart points as text: "P0", "A name quality", "B name|name", "C".
class RecordingChart : public ScanChart {
public:
    void PassStarted() override { events.push_back("P0"); }
    void NetworkListed(const std::string& name, uint32_t quality) override {
        events.push_back("A " + name + " " + std::to_string(quality));
    }
    void InterfaceNetworks(const std::vector<std::string>& names) override {
        std::string e = "B ";
        for (size_t i = 0; i < names.size(); ++i) e += (i ? "|" : "") + names[i];
        events.push_back(e);
    }
    void PassCompleted() override { events.push_back("C"); }
    std::vector<std::string> events;
};

// What stood where when a box was shown.
struct ShownBox {
    std::string text;
    size_t logLines;
    int networkRows, apRows;
};

class RecordingMessages : public MessageSink {
public:
    void ShowMessage(const std::string& text) override {
        shown.push_back({text, log ? log->Count() : 0, networks ? networks->RowCount() : -1,
                         accessPoints ? accessPoints->RowCount() : -1});
        if (whileShown) whileShown();  // the nested message loop
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& b : shown) out.push_back(b.text);
        return out;
    }
    std::vector<ShownBox> shown;
    std::function<void()> whileShown;
    const TempLog* log = nullptr;
    const ReportList* networks = nullptr;
    const ReportList* accessPoints = nullptr;
};

inline std::shared_ptr<const wlan::sim::Scenario> LoadInline(std::string_view json) {
    wlan::sim::LoadResult r = wlan::sim::LoadScenarioText(json, "inline.json");
    EXPECT_TRUE(r) << r.message;
    return r.scenario;
}

// The main window's scan as start-up leaves it: handle open, idle, knownAPs created.
template <typename Api = wlan::sim::SimulatedWlan>
struct BasicHarness {
    explicit BasicHarness(std::string_view json, bool withLog = true) : BasicHarness(LoadInline(json), withLog) {}
    explicit BasicHarness(std::shared_ptr<const wlan::sim::Scenario> scenario, bool withLog = true)
        : api(std::move(scenario)), state(api) {
        if (withLog) log.emplace();
        EXPECT_EQ(state.client.Open(), 0u);
        state.scanIdle = true;
        state.knownAPs.emplace();
        state.requests = ScanRequests([this] { return now; });
        messages.log = log ? &*log : nullptr;
        messages.networks = &networks;
        messages.accessPoints = &accessPoints;
    }
    ~BasicHarness() {
        state.interfaceList.reset();
        state.bssList.reset();
        state.client.Close();
    }
    TRunLog* Log() { return log ? log->get() : nullptr; }
    // One timer tick; the clock then moves on by the timer's second.
    std::optional<uint32_t> Tick() {
        const auto result = ScanTimerTick(state, lists, chart, messages, Log());
        now += 1000;
        return result;
    }
    std::vector<std::string> LogLines() const { return log ? log->Lines() : std::vector<std::string>{}; }

    Api api;
    ScanState state;
    VectorReportList adapters, networks, accessPoints;
    ScanLists lists{adapters, networks, accessPoints};
    RecordingChart chart;
    RecordingMessages messages;
    std::optional<TempLog> log;
    uint64_t now = 0;  // the scan requests' clock, in milliseconds
};
using Harness = BasicHarness<>;

}  // namespace scantest
