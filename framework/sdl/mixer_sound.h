// Sound on the desktop: waves and the MIDI tune through SDL2_mixer.
#pragma once

#include <memory>
#include <string>

#include "framework/platform.h"

namespace fw::sdl {

// Opens the audio device; false when there is none (the book then runs silent).
bool OpenMixer();
void CloseMixer();
// Null when the mixer is closed or the file cannot be played.
std::unique_ptr<SoundOutput> OpenMixerSound(SoundKind kind, const std::string& path);

}  // namespace fw::sdl
