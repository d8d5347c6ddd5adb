// tests/support/tone.h
//
// Checks audio the way a listener would hear it: reads 16-bit PCM WAV files (such as the
// VELOTUNE_WAVE_CAPTURE output) and measures how much of a signal's energy sits at one frequency
// with a Goertzel filter.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace velotune::test {

struct PcmAudio {
    int sampleRate = 0;
    int channels = 0;
    std::vector<int16_t> samples;  // interleaved
    double Seconds() const {
        return sampleRate && channels ? double(samples.size()) / (sampleRate * channels) : 0.0;
    }
};

// Reads a 16-bit PCM WAV file. A WAV file whose header sizes were never filled in (a capture that is
// still being written) is read up to the end of the file. Returns false when the file is missing or
// is not 16-bit PCM.
bool ReadWav(const QString& path, PcmAudio* audio);

// The share (0..1) of the signal's energy, summed over all channels, that lies at frequencyHz.
// A clean sine tone at that frequency gives close to 1, silence gives 0.
double ToneShare(const PcmAudio& audio, double frequencyHz);

// Decodes a media file to 16-bit PCM with the ffmpeg command line; empty when that fails.
PcmAudio DecodeToPcm(const QString& path);

// The part of the audio from `from` seconds on.
PcmAudio From(const PcmAudio& audio, double from);

// Root-mean-square level of all samples, in sample units (0..32768).
double Rms(const PcmAudio& audio);

}  // namespace velotune::test
