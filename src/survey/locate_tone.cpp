#include "survey/locate_tone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

std::optional<ToneParams> ToneFor(std::optional<int32_t> rssiDbm) {
    if (!rssiDbm) return std::nullopt;
    const double t =
        std::clamp(static_cast<double>(*rssiDbm - kToneWeakDbm) / (kToneStrongDbm - kToneWeakDbm), 0.0, 1.0);
    return ToneParams{std::pow(8.0, t), 440.0 * std::pow(4.0, t)};
}

std::vector<int16_t> TonePeriod(const ToneParams& tone, uint32_t sampleRate) {
    if (!(tone.beepsPerSecond > 0) || sampleRate == 0) return {};
    const auto period = static_cast<size_t>(std::lround(sampleRate / tone.beepsPerSecond));
    const size_t beep = std::min(period, static_cast<size_t>(std::lround(sampleRate * kBeepSeconds)));
    const size_t edge = std::max<size_t>(1, beep / 8);
    std::vector<int16_t> samples(period, 0);
    for (size_t i = 0; i < beep; ++i) {
        const double envelope =
            std::min({1.0, static_cast<double>(i) / edge, static_cast<double>(beep - 1 - i) / edge});
        const double v = std::sin(2 * std::numbers::pi * tone.pitchHz * static_cast<double>(i) / sampleRate);
        samples[i] = static_cast<int16_t>(std::lround(v * envelope * 12000));
    }
    return samples;
}

bool SignalAnnouncer::ShouldAnnounce(std::optional<int32_t> rssiDbm) {
    const bool say = !started_ || rssiDbm.has_value() != said_.has_value() ||
        (rssiDbm && std::abs(*rssiDbm - *said_) >= kAnnounceStepDb);
    started_ = true;
    if (say) said_ = rssiDbm;
    return say;
}
