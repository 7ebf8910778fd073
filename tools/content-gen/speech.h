// The book's voice: sentences spoken by Festival with the HTS voice
// cmu_us_slt_arctic_hts, then trimmed and brought to one loudness so that every
// clip of the set sounds alike.
#pragma once

#include <string>
#include <vector>

#include "tools/content-gen/sound.h"

namespace content {

// The loudness every spoken clip is brought to: the RMS of its speech (the
// 20 ms blocks louder than kSpeechGateDb), in dB of full scale.
constexpr double kSpeechLoudnessDb = -19.0;
constexpr double kSpeechGateDb = -45.0;
// Sound below this (of full scale) counts as silence at the clip's ends, and
// at most kSpeechMarginSamples of it is kept there: with the 20 ms over which
// a level is judged, the quiet at either end stays under 50 ms.
constexpr double kSilenceLevel = 0.01;
constexpr int kSpeechMarginSamples = kSampleRate * 20 / 1000;

// Speaks every text with one Festival run (festival must be installed, with the
// voice), in scratchDir, and gives each as 22,050 Hz mono samples, trimmed and
// at kSpeechLoudnessDb. Fails on any text that gives no speech.
bool SpeakAll(const std::vector<std::string>& texts, const std::string& scratchDir,
              std::vector<Samples>* out, std::string* error);

// The loudness of samples as above, or a very low value for silence.
double SpeechLoudnessDb(const Samples& s);

// Cuts the quiet (below kSilenceLevel, in samples and in 20 ms windows) before
// and after the sound down to margin samples, faded in and out so that the cut
// makes no click. All silence gives an empty result.
Samples TrimSilence(const Samples& s, int margin);

// Scales the samples so that their loudness is db; false when there is no sound.
bool SetLoudness(Samples* s, double db);

}  // namespace content
