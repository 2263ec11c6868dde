#pragma once
// The locate tone on the standard wave output: one period of the tone (locate_tone.h)
// played in a loop until the tone changes. Without a sound device it stays silent and
// says so; nothing waits on a device that is not there.
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "survey/locate_tone.h"

class TonePlayer {
public:
    TonePlayer() = default;
    TonePlayer(const TonePlayer&) = delete;
    TonePlayer& operator=(const TonePlayer&) = delete;
    ~TonePlayer();

    // Plays the tone from now on; none is silence. The device is opened at the first tone.
    void Play(std::optional<ToneParams> tone);
    // No device could be opened: the tone is not heard.
    bool Unavailable() const { return failed_; }
    std::optional<ToneParams> Playing() const { return playing_; }

    static constexpr uint32_t kSampleRate = 22050;

private:
    bool Open();
    void Stop();

    HWAVEOUT out_ = nullptr;
    bool failed_ = false;
    WAVEHDR header_{};
    bool queued_ = false;
    std::vector<int16_t> samples_;
    std::optional<ToneParams> playing_;
};
