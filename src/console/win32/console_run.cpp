#include "console/win32/console_run.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "common/air_text.h"
#include "common/product.h"
#include "common/version_number.h"
#include "common/win32/replace_file.h"
#include "common/win32/settings.h"
#include "common/win32/standard_error.h"
#include "common/win32/unique.h"
#include "common/user_text.h"
#include "console/console_command.h"
#include "console/survey_points.h"
#include "sim/scenario.h"
#include "sitesurvey/survey_file.h"
#include "sitesurvey/win32/render_run.h"
#include "sim/simulated_wlan.h"
#include "survey/survey_session.h"
#include "survey/win32/wlan_service.h"
#include "wireless/pcapng.h"

using namespace console;

namespace {

// Set by Ctrl+C (or the console closing); the wait between passes ends at once.
std::atomic<bool> g_stop{false};
HANDLE g_wake = nullptr;

BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT) return FALSE;
    g_stop = true;
    if (g_wake) SetEvent(g_wake);
    return TRUE;
}

void Error(const std::string& text) { WriteStandardError("vellumar: " + text + "\n"); }

int UsageError(const std::string& text) {
    Error(text);
    WriteStandardError("Try 'vellumar --help'.\n");
    return kExitUsage;
}

uint64_t NowMs() { return GetTickCount64(); }

ExportStamp Stamp() { return StampAt(std::chrono::system_clock::now(), kProductName, VELLUMAR_VERSION_STRING); }

// The service's error texts of a pass that failed, as the window would show them.
int PassFailed(const TickOutcome& outcome) {
    if (outcome.messages.empty()) Error("the pass failed (" + std::to_string(outcome.pass.value_or(0)) + ")");
    for (const std::string& message : outcome.messages) WriteStandardError(message + "\n");
    return kExitServiceFailed;
}

// The adapters that finish their scans (or fail them) while a fresh pass waits.
class ScanWaiter : public SurveyObserver {
public:
    void Notified(const wlan::WlanNotification& notification) override {
        if (notification.code == wlan::kAcmScanComplete || notification.code == wlan::kAcmScanFail)
            done.push_back(notification.interfaceGuid);
    }
    std::vector<wlan::GUID> done;
};

// Asks every adapter to scan and waits for each one's answer, at most 10 s.
void ScanFresh(SurveySession& session, HANDLE wake) {
    ScanState& scan = session.Scan();
    wlan::WlanBuffer<wlan::WLAN_INTERFACE_INFO_LIST> interfaces(scan.api);
    if (scan.api.WlanEnumInterfaces(scan.client.get(), nullptr, interfaces.out()) != 0) return;
    std::vector<wlan::GUID> asked;
    for (const wlan::WLAN_INTERFACE_INFO& info : wlan::Entries(interfaces.get()))
        if (scan.api.WlanScan(scan.client.get(), &info.InterfaceGuid, nullptr, nullptr, nullptr) == 0)
            asked.push_back(info.InterfaceGuid);
    ScanWaiter waiter;
    session.Subscribe(waiter);
    const uint64_t until = NowMs() + kFreshScanWaitMs;
    auto answered = [&] {
        return std::all_of(asked.begin(), asked.end(), [&](const wlan::GUID& g) {
            return std::find(waiter.done.begin(), waiter.done.end(), g) != waiter.done.end();
        });
    };
    while (!answered() && !g_stop) {
        const uint64_t now = NowMs();
        if (now >= until) break;
        WaitForSingleObject(wake, static_cast<DWORD>(until - now));
        session.TakeNotifications();
    }
    session.Unsubscribe(waiter);
}

std::vector<TextTable> ShownTables(const SurveySession& session) {
    constexpr const char* kTitles[] = {"Adapters", "Networks", "Access points"};
    std::vector<TextTable> tables;
    for (SurveyList list : kSurveyLists) {
        const ListViewModel& rows = session.Rows(list);
        TextTable table{kTitles[static_cast<size_t>(list)], {}, {}};
        for (const ListColumn& column : rows.Columns()) table.headers.push_back(column.caption);
        for (size_t row : rows.ShownOrder()) {
            std::vector<std::string> cells = rows.Cells(rows.Rows()[row]);
            for (std::string& cell : cells) cell = AirTextForDisplay(cell);
            table.rows.push_back(std::move(cells));
        }
        tables.push_back(std::move(table));
    }
    return tables;
}

// The survey over the chosen service, started; an exit code when it could not start.
struct Survey {
    bool badScenario = false;  // VELLUMAR_WLAN_SCENARIO names a file that is no scenario
    std::unique_ptr<wlan::WlanApi> api = CreateWlanApi([this](const std::string& reason) {
        badScenario = true;
        Error(reason);
    });
    RegistrySettings settings;
    ReplacingFileWriter files;
    SurveySession session{*api, settings, files};
};

std::optional<int> StartSurvey(Survey& survey, const Command& command, HANDLE wake) {
    if (!command.replay.empty()) {
        std::string problem;
        if (!survey.session.Replay(command.replay, problem)) {
            Error(problem);
            return kExitUsage;
        }
    }
    survey.session.ReadSortOrders();
    if (const uint32_t rc = survey.session.Start([wake] { SetEvent(wake); })) {
        if (survey.badScenario) return kExitUsage;  // the loader's message is out already
        WriteStandardError(StartFailureText(rc) + "\n");
        return kExitServiceFailed;
    }
    return std::nullopt;
}

int Scan(const Command& command, HANDLE wake) {
    Survey survey;
    if (const auto failed = StartSurvey(survey, command, wake)) return *failed;
    if (command.fresh) ScanFresh(survey.session, wake);
    const TickOutcome outcome = survey.session.Tick(NowMs());
    if (outcome.pass != 0u) return PassFailed(outcome);
    const std::string text =
        command.json ? SurveyJson(survey.session.Records(Stamp())) : ReadableTables(ShownTables(survey.session));
    WriteStandardOutput(text);
    return kExitOk;
}

int Watch(const Command& command, HANDLE wake) {
    Survey survey;
    if (const auto failed = StartSurvey(survey, command, wake)) return *failed;
    survey.session.SetFilter(command.filter);
    uint64_t lines = 0;
    int code = kExitOk;
    while (!g_stop && (!command.count || lines < *command.count)) {
        const uint64_t started = NowMs();
        survey.session.TakeNotifications();
        const TickOutcome outcome = survey.session.Tick(started);
        if (outcome.pass && *outcome.pass != 0) {
            code = PassFailed(outcome);
            break;
        }
        if (outcome.pass) {
            // Flushed line by line: the stream is written straight to its handle.
            if (!WriteStandardOutput(SurveyJsonLine(survey.session.Records(Stamp()), lines + 1) + "\n")) break;
            ++lines;
        }
        if (command.count && lines >= *command.count) break;
        const uint64_t next = started + uint64_t{command.intervalSeconds} * 1000;
        for (uint64_t now = NowMs(); now < next && !g_stop; now = NowMs())
            WaitForSingleObject(wake, static_cast<DWORD>(next - now));
    }
    WriteStandardError(ClosingLine(lines) + "\n");
    return code;
}

// Passes over a recording until every answer stands; a scenario that changes for
// ever (a random walk) gives this many.
constexpr uint64_t kMostExportPasses = 3600;

// A site survey's points, each a pass with the BSS list kept with it.
int ExportSurveyFile(const Command& command, const std::string& text) {
    const sitesurvey::SurveyLoad load = sitesurvey::ParseSurvey(text, command.recording);
    if (!load.survey) {
        Error(load.error);
        return kExitUsage;
    }
    std::string bytes;
    switch (command.format) {
        case ExportKind::Json: bytes = SurveyPointsJsonLines(*load.survey); break;
        case ExportKind::Csv: bytes = SurveyPointsCsv(*load.survey); break;
        case ExportKind::Pcapng: {
            const ExportStamp stamp = Stamp();
            const std::vector<uint8_t> capture = SurveyPointsPcapng(*load.survey, stamp.program + " " + stamp.version);
            bytes.assign(capture.begin(), capture.end());
            break;
        }
    }
    if (const FileWriteResult written = WriteFileReplacing(command.out, bytes); !written.ok) {
        Error("cannot write " + command.out + ": " + written.error);
        return kExitUsage;
    }
    return kExitOk;
}

int Export(const Command& command) {
    std::string problem;
    // A site survey file names its format near its start; anything else is read as a recording.
    if (const auto text = ReadFileCapped(command.recording, sitesurvey::kMaxSurveyBytes, "file", problem);
        text && text->substr(0, 4096).find("\"" + std::string(sitesurvey::kSurveyFormat) + "\"") != std::string::npos)
        return ExportSurveyFile(command, *text);
    const auto scenario = SurveySource::Load(command.recording, problem);
    if (!scenario) {
        Error(problem);
        return kExitUsage;
    }
    const ExportStamp stamp = Stamp();
    const std::optional<uint64_t> end = wlan::sim::LastChangeEpoch(*scenario);
    std::string bytes;
    if (command.format == ExportKind::Pcapng) {
        wlan::sim::SimulatedWlan replay(scenario);
        wlan::ClientHandle client(replay);
        uint32_t negotiated = 0;
        if (const uint32_t rc = client.Open(&negotiated)) {
            WriteStandardError(StartFailureText(rc) + "\n");
            return kExitServiceFailed;
        }
        pcapng::PassCapture capture(stamp.program + " " + stamp.version);
        for (uint64_t pass = 0; pass < kMostExportPasses; ++pass) {
            if (const auto read = capture.AddPass(replay, client.get(), stamp.micros + pass * 1000000); read.code) {
                WriteStandardError(ErrorText(read.call, read.code, CodeSign::Unsigned) + "\n");
                return kExitServiceFailed;
            }
            if (end && replay.Epoch() >= *end) break;
        }
        bytes.assign(capture.Capture().Bytes().begin(), capture.Capture().Bytes().end());
    } else {
        wlan::sim::SimulatedWlan idle(scenario);
        RegistrySettings settings;
        ReplacingFileWriter files;
        SurveySession session(idle, settings, files);
        if (!session.Replay(command.recording, problem)) {
            Error(problem);
            return kExitUsage;
        }
        if (const uint32_t rc = session.Start(nullptr)) {
            WriteStandardError(StartFailureText(rc) + "\n");
            return kExitServiceFailed;
        }
        for (uint64_t pass = 1; pass <= kMostExportPasses; ++pass) {
            const TickOutcome outcome = session.Tick(pass * 1000);
            if (outcome.pass != 0u) return PassFailed(outcome);
            const SurveyRecords records = session.Records(stamp);
            if (command.format == ExportKind::Json) {
                bytes += SurveyJsonLine(records, pass) + "\n";
            } else {
                std::string table = AccessPointsCsvWithPass(records, pass);
                bytes += pass == 1 ? table : table.substr(table.find('\n') + 1);
            }
            if (session.Source().ReplayEnded()) break;
        }
    }
    if (const FileWriteResult written = WriteFileReplacing(command.out, bytes); !written.ok) {
        Error("cannot write " + command.out + ": " + written.error);
        return kExitUsage;
    }
    return kExitOk;
}

}  // namespace

int RunConsole(const std::vector<std::string>& args) {
    const Parse parse = ParseArguments(args);
    if (!parse.command) return UsageError(parse.error);
    const Command& command = *parse.command;
    switch (command.verb) {
        case Verb::Help: WriteStandardOutput(Usage()); return kExitOk;
        case Verb::Version: WriteStandardOutput(VersionLine(VELLUMAR_VERSION_STRING) + "\n"); return kExitOk;
        case Verb::Export: return Export(command);
        case Verb::Scan:
        case Verb::Watch: break;
    }
    const UniqueHandle wake(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    g_wake = wake.get();
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    const int code = command.verb == Verb::Scan ? Scan(command, wake.get()) : Watch(command, wake.get());
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_wake = nullptr;
    return code;
}
