// The headless platform's sound player: no sound is made, but every sound
// opened keeps its place on the virtual clock and records what it was told.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/platform.h"
#include "framework/wintypes.h"

namespace fw::headless {

// One thing an open sound was told, in the order told.
struct SoundEvent {
  enum class What { Open, Play, Pause, SeekToStart, Close };
  What what = What::Open;
  int sound = 0;  // which sound: numbered from 1 in the order opened
  SoundKind kind = SoundKind::Wave;
  std::string path;    // as opened (resolved)
  DWORD time = 0;      // virtual clock
  DWORD position = 0;  // milliseconds into the sound, after the event
};

class HeadlessSounds {
 public:
  // now is read whenever a position is needed; it must outlive this object.
  explicit HeadlessSounds(const DWORD& now);
  ~HeadlessSounds();
  HeadlessSounds(const HeadlessSounds&) = delete;
  HeadlessSounds& operator=(const HeadlessSounds&) = delete;

  // Null when path is not a well-formed file of kind (missing included).
  std::unique_ptr<SoundOutput> Open(SoundKind kind, const std::string& path);

  // A sound open now, as it is at the current time.
  struct Sound {
    int sound = 0;
    SoundKind kind = SoundKind::Wave;
    std::string path;
    DWORD length = 0;      // milliseconds
    DWORD position = 0;    // milliseconds from the start
    bool playing = false;  // told to play and not yet at its end
  };
  std::vector<Sound> OpenSounds() const;
  // The paths of the sounds heard now (playing, not at their end).
  std::vector<std::string> Audible() const;
  const std::vector<SoundEvent>& Events() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace fw::headless
