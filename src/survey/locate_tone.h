#pragma once
// Locating an access point by ear: a beep whose rate and pitch rise with the signal,
// made by the program itself, and the rule for telling a screen reader the signal.
#include <cstdint>
#include <optional>
#include <vector>

struct ToneParams {
    double beepsPerSecond = 0;
    double pitchHz = 0;
};

// About one beep a second at -90 dBm to eight at -30 dBm, pitch from 440 Hz to two
// octaves above, both even steps on a log scale and held at the ends; silent when the
// access point is not heard.
inline constexpr int32_t kToneWeakDbm = -90, kToneStrongDbm = -30;
std::optional<ToneParams> ToneFor(std::optional<int32_t> rssiDbm);

// One period of the tone at the given sample rate, 16-bit mono: a short beep (soft
// edges, no clicks) and the silence until the next.
inline constexpr double kBeepSeconds = 0.04;
std::vector<int16_t> TonePeriod(const ToneParams& tone, uint32_t sampleRate);

// Whether a new reading is worth saying: the first one, a change of at least
// kAnnounceStepDb since the last one said, and the access point lost or found again.
inline constexpr int32_t kAnnounceStepDb = 3;
class SignalAnnouncer {
public:
    bool ShouldAnnounce(std::optional<int32_t> rssiDbm);

private:
    bool started_ = false;
    std::optional<int32_t> said_;
};
