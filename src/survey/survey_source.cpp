#include "survey/survey_source.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "survey/survey_records.h"

namespace {

std::string FileNamePart(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::shared_ptr<const wlan::sim::Scenario> SurveySource::Load(const std::string& file, std::string& problem) {
    wlan::sim::LoadResult load = wlan::sim::LoadScenarioFile(file);
    if (!load) {
        // An export opened by mistake: say so rather than name the first key the loader refused.
        std::ifstream in(std::filesystem::path(std::u8string(file.begin(), file.end())), std::ios::binary);
        std::string head(4096, '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
        problem = LooksLikeExport(head) ? file + ": " + std::string(kExportNotRecording) : load.message;
    }
    return load.scenario;
}

void SurveySource::UseReplay(const std::string& file, std::shared_ptr<const wlan::sim::Scenario> scenario) {
    end_ = wlan::sim::LastChangeEpoch(*scenario);
    auto replay = std::make_unique<wlan::sim::SimulatedWlan>(std::move(scenario));
    front_.Use(*replay);
    replay_ = std::move(replay);
    replayFile_ = file;
}

void SurveySource::UseLive() {
    front_.Use(live_);
    replay_.reset();
    replayFile_.clear();
    end_.reset();
}

bool SurveySource::StartRecording(const std::string& file, uint64_t nowMs, std::string& error) {
    recording_ = std::make_unique<wlan::SurveyRecording>();
    recordingFile_ = file;
    if (!Save(nowMs, error)) {
        recording_.reset();
        recordingFile_.clear();
        return false;
    }
    front_.Attach(recording_.get());
    return true;
}

bool SurveySource::Save(uint64_t nowMs, std::string& error) {
    const FileWriteResult written = files_.Replace(recordingFile_, recording_->ScenarioText());
    saves_.emplace(nowMs);
    if (!written.ok) error = written.error;
    return written.ok;
}

bool SurveySource::SaveIfDue(uint64_t nowMs, std::string& error) {
    if (!recording_ || !saves_ || !saves_->Due(nowMs)) return true;
    recording_->Finish();
    return Save(nowMs, error);
}

bool SurveySource::StopRecording(uint64_t nowMs, std::string& error) {
    if (!recording_) return true;
    front_.Attach(nullptr);
    recording_->Finish();
    const bool ok = Save(nowMs, error);
    recording_.reset();
    recordingFile_.clear();
    saves_.reset();
    return ok;
}

std::string SurveySource::StatusText() const {
    std::string text = "Live";
    if (replay_) {
        text = ReplayEnded() ? "Replay ended"
                             : "Replay " + FileNamePart(replayFile_) + " " +
                                   std::to_string(std::min(replay_->Epoch(), end_.value_or(0))) + " of " +
                                   std::to_string(end_.value_or(0));
    }
    if (recording_) {
        const uint64_t passes = recording_->Passes();
        const std::string recording = "Recording " + FileNamePart(recordingFile_) + " (" + std::to_string(passes) +
                                      (passes == 1 ? " pass)" : " passes)");
        text = replay_ ? text + ", " + recording : recording;
    }
    return text;
}

std::string SurveySource::Caption(const std::string& base) const {
    std::string text = base;
    if (replay_) text += " - Replay of " + FileNamePart(replayFile_) + (ReplayEnded() ? " (ended)" : "");
    if (recording_) {
        const uint64_t passes = recording_->Passes();
        text += " - Recording " + FileNamePart(recordingFile_) + " (" + std::to_string(passes) +
                (passes == 1 ? " pass)" : " passes)");
    }
    return text;
}

std::string RecordingFailureText(const std::string& file, const std::string& error) {
    return "Could not record to " + file + ":\n" + error;
}

std::string ReplayArgument(const std::vector<std::string>& arguments) {
    for (size_t k = 0; k + 1 < arguments.size(); ++k)
        if (arguments[k] == "--replay") return arguments[k + 1];
    return "";
}
