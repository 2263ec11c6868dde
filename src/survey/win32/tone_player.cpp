#include "survey/win32/tone_player.h"

TonePlayer::~TonePlayer() {
    Stop();
    if (out_) waveOutClose(out_);
}

bool TonePlayer::Open() {
    if (out_) return true;
    if (failed_) return false;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kSampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kSampleRate * 2;
    // No callback: the one looping buffer is taken back by waveOutReset, which returns at once.
    if (waveOutOpen(&out_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        out_ = nullptr;
        failed_ = true;
        return false;
    }
    return true;
}

void TonePlayer::Stop() {
    if (!out_ || !queued_) return;
    waveOutReset(out_);
    waveOutUnprepareHeader(out_, &header_, sizeof header_);
    queued_ = false;
}

void TonePlayer::Play(std::optional<ToneParams> tone) {
    if (tone.has_value() == playing_.has_value() &&
        (!tone || (tone->beepsPerSecond == playing_->beepsPerSecond && tone->pitchHz == playing_->pitchHz)))
        return;
    playing_ = tone;
    Stop();
    if (!tone || !Open()) return;
    samples_ = TonePeriod(*tone, kSampleRate);
    if (samples_.empty()) return;
    header_ = {};
    header_.lpData = reinterpret_cast<LPSTR>(samples_.data());
    header_.dwBufferLength = static_cast<DWORD>(samples_.size() * sizeof(int16_t));
    header_.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header_.dwLoops = 0xFFFFFFFF;  // until the next change
    if (waveOutPrepareHeader(out_, &header_, sizeof header_) != MMSYSERR_NOERROR) return;
    if (waveOutWrite(out_, &header_, sizeof header_) != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(out_, &header_, sizeof header_);
        return;
    }
    queued_ = true;
}
