// A small standard MIDI file writer and the tune it writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/content-gen/sources.h"

namespace content {

// One track of events; times in ticks from the start.
class MidiTrack {
 public:
  void Program(std::uint32_t tick, int channel, int program);
  void Tempo(std::uint32_t tick, int beatsPerMinute);
  void TimeSignature(std::uint32_t tick, int beatsPerBar);
  void Note(std::uint32_t tick, std::uint32_t length, int channel, int key, int velocity);
  // The track chunk's body, events in time order (note ends before starts at
  // one tick), closed by the end-of-track event.
  std::string Encode() const;
  std::uint32_t End() const;

 private:
  struct Event {
    std::uint32_t tick;
    int order;  // at one tick: meta, programs, note ends, note starts
    std::string bytes;
  };
  std::vector<Event> events_;
};

constexpr int kTicksPerBeat = 480;

// A format 1 file of the tracks.
std::string EncodeMidiFile(const std::vector<MidiTrack>& tracks);

// The tune as tracks: tempo, melody, chords, bass and drums.
std::vector<MidiTrack> ArrangeTune(const Tune& tune);
// Its length in seconds.
double TuneSeconds(const Tune& tune);

}  // namespace content
