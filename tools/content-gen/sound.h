// The set's sounds: 22,050 Hz 16-bit mono PCM waves, read and written, and
// those made here (a click, bell chimes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace content {

constexpr int kSampleRate = 22050;

using Samples = std::vector<std::int16_t>;

bool WriteWave(const std::string& path, const Samples& samples, std::string* error);

// Reads a PCM wave of 8 or 16 bits, any rate and channel count, as mono
// 22,050 Hz samples.
bool ReadWaveAsMono(const std::string& path, Samples* out, std::string* error);

Samples Click();
// Bell notes (MIDI keys) one after the other, the last one ringing on.
Samples Chime(const std::vector<int>& keys);

}  // namespace content
