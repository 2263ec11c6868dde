#pragma once
// Where the survey's answers come from, the live service or a replayed
// recording, and the recording of them while one runs. The scan talks to Api()
// throughout; the service behind it changes only while no handle is open.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/file_writer.h"
#include "sim/simulated_wlan.h"
#include "survey/recording_wlan.h"
#include "survey/survey_recording.h"

// When a recording is written again: at least every 10 seconds, so that a
// crash loses at most those.
class SaveSchedule {
public:
    static constexpr uint64_t kIntervalMs = 10000;
    explicit SaveSchedule(uint64_t nowMs) : last_(nowMs) {}
    bool Due(uint64_t nowMs) const { return nowMs - last_ >= kIntervalMs; }

private:
    uint64_t last_;
};

class SurveySource {
public:
    // The recording is written through files.
    SurveySource(wlan::WlanApi& live, FileWriter& files) : live_(live), files_(files), front_(live) {}
    wlan::WlanApi& Api() { return front_; }

    // Replay. Load checks the file against the scenario rules; problem then holds
    // the loader's message (file, line, column, what is wrong).
    static std::shared_ptr<const wlan::sim::Scenario> Load(const std::string& file, std::string& problem);
    void UseReplay(const std::string& file, std::shared_ptr<const wlan::sim::Scenario> scenario);
    void UseLive();
    bool Replaying() const { return replay_ != nullptr; }
    const std::string& ReplayFile() const { return replayFile_; }
    // Every answer stands from here on: the recording has been played through.
    bool ReplayEnded() const { return replay_ && end_ && replay_->Epoch() >= *end_; }

    // Recording. Start writes the file at once, so that a file that cannot be
    // written is known before anything is recorded; error holds the reason.
    bool StartRecording(const std::string& file, uint64_t nowMs, std::string& error);
    // Writes the file when the last write is 10 seconds old (before a pass: the
    // pass before it is complete then). False, with the reason, when it failed.
    bool SaveIfDue(uint64_t nowMs, std::string& error);
    // Takes the last pass in, writes the file and ends the recording.
    bool StopRecording(uint64_t nowMs, std::string& error);
    bool Recording() const { return recording_ != nullptr; }
    const std::string& RecordingFile() const { return recordingFile_; }
    uint64_t RecordedPasses() const { return recording_ ? recording_->Passes() : 0; }

    // Where the answers come from, for the window itself: "Live", "Replay name.json 3 of 12",
    // "Replay ended", and while recording "Recording name.json (5 passes)" after it.
    std::string StatusText() const;
    // The window caption: base, then what is replayed and what is recorded.
    std::string Caption(const std::string& base) const;

private:
    bool Save(uint64_t nowMs, std::string& error);

    wlan::WlanApi& live_;
    FileWriter& files_;
    wlan::RecordingWlan front_;
    std::unique_ptr<wlan::sim::SimulatedWlan> replay_;
    std::string replayFile_;
    std::optional<uint64_t> end_;
    std::unique_ptr<wlan::SurveyRecording> recording_;
    std::string recordingFile_;
    std::optional<SaveSchedule> saves_;
};

// "Could not record to FILE:\nreason", for a recording that could not be written.
std::string RecordingFailureText(const std::string& file, const std::string& error);

// The file of "--replay FILE" among the command-line arguments; "" without one.
std::string ReplayArgument(const std::vector<std::string>& arguments);
