#include "tools/content-gen/midi.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace content {
namespace {

void PutVarLen(std::string& s, std::uint32_t v) {
  char buf[5];
  int n = 0;
  buf[n++] = char(v & 0x7F);
  while (v >>= 7) buf[n++] = char((v & 0x7F) | 0x80);
  while (n) s += buf[--n];
}

void Put32(std::string& s, std::uint32_t v) {
  for (int k = 24; k >= 0; k -= 8) s += char((v >> k) & 255);
}

std::uint32_t Ticks(double beats) { return std::uint32_t(std::lround(beats * kTicksPerBeat)); }

// Chord tones as MIDI keys around middle C, root first.
std::vector<int> ChordKeys(const std::string& name) {
  static const std::map<std::string, std::vector<int>> kChords = {
      {"C", {60, 64, 67}},  {"F", {65, 69, 72}},  {"G", {67, 71, 74}},  {"G7", {67, 71, 74, 77}},
      {"Am", {69, 72, 76}}, {"Dm", {62, 65, 69}}, {"Em", {64, 67, 71}},
  };
  auto it = kChords.find(name);
  return it == kChords.end() ? std::vector<int>{60, 64, 67} : it->second;
}

constexpr int kMelody = 0, kChordsCh = 1, kBass = 2, kDrums = 9;

}  // namespace

void MidiTrack::Program(std::uint32_t tick, int channel, int program) {
  events_.push_back({tick, 1, {char(0xC0 | channel), char(program)}});
}

void MidiTrack::Tempo(std::uint32_t tick, int bpm) {
  const std::uint32_t us = 60000000u / std::uint32_t(bpm);
  events_.push_back(
      {tick, 0, {char(0xFF), 0x51, 0x03, char(us >> 16), char((us >> 8) & 255), char(us & 255)}});
}

void MidiTrack::TimeSignature(std::uint32_t tick, int beats) {
  events_.push_back({tick, 0, {char(0xFF), 0x58, 0x04, char(beats), 2, 24, 8}});
}

void MidiTrack::Note(std::uint32_t tick, std::uint32_t length, int channel, int key, int vel) {
  events_.push_back({tick, 3, {char(0x90 | channel), char(key), char(vel)}});
  events_.push_back({tick + length, 2, {char(0x80 | channel), char(key), 0}});
}

std::uint32_t MidiTrack::End() const {
  std::uint32_t end = 0;
  for (const auto& e : events_) end = std::max(end, e.tick);
  return end;
}

std::string MidiTrack::Encode() const {
  std::vector<Event> ev = events_;
  std::stable_sort(ev.begin(), ev.end(), [](const Event& a, const Event& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  std::string body;
  std::uint32_t now = 0;
  for (const auto& e : ev) {
    PutVarLen(body, e.tick - now);
    now = e.tick;
    body += e.bytes;
  }
  PutVarLen(body, 0);
  body += std::string("\xFF\x2F\x00", 3);
  std::string chunk = "MTrk";
  Put32(chunk, std::uint32_t(body.size()));
  return chunk + body;
}

std::string EncodeMidiFile(const std::vector<MidiTrack>& tracks) {
  std::string out = "MThd";
  Put32(out, 6);
  out += std::string("\x00\x01", 2);  // format 1
  out += char(tracks.size() >> 8);
  out += char(tracks.size() & 255);
  out += char(kTicksPerBeat >> 8);
  out += char(kTicksPerBeat & 255);
  for (const auto& t : tracks) out += t.Encode();
  return out;
}

std::vector<MidiTrack> ArrangeTune(const Tune& tune) {
  MidiTrack meta, melody, chords, bass, drums;
  meta.Tempo(0, tune.tempo);
  meta.TimeSignature(0, tune.beatsPerBar);
  chords.Program(0, kChordsCh, tune.chordsVoice);
  bass.Program(0, kBass, tune.bassVoice);
  std::uint32_t start = 0;
  for (const std::string& name : tune.order) {
    const Section* s = nullptr;
    for (const auto& x : tune.sections)
      if (x.name == name) s = &x;
    melody.Program(start, kMelody, s->voice);
    std::uint32_t t = start;
    for (const Note& n : s->melody) {
      const std::uint32_t len = Ticks(n.beats);
      // Notes are played a little short, so repeated notes are heard apart.
      if (n.key >= 0) melody.Note(t, len * 9 / 10, kMelody, n.key + 12 * s->octave, 96);
      t += len;
    }
    t = start;
    for (const Chord& c : s->chords) {
      const std::vector<int> keys = ChordKeys(c.name);
      const int beats = std::max(1, int(std::lround(c.beats)));
      for (int b = 0; b < beats; ++b) {
        const std::uint32_t at = t + std::uint32_t(b) * kTicksPerBeat;
        if (b % 2 == 0) {
          bass.Note(at, kTicksPerBeat * 9 / 10, kBass, keys[0] - 24, 88);
        } else {
          for (int k : keys) chords.Note(at, kTicksPerBeat / 2, kChordsCh, k - 12, 60);
        }
      }
      t += Ticks(c.beats);
    }
    // A light beat: bass drum on the bar, closed hi-hat on every beat.
    for (std::uint32_t at = start, beat = 0; at < t; at += kTicksPerBeat, ++beat) {
      if (beat % tune.beatsPerBar == 0) drums.Note(at, kTicksPerBeat / 4, kDrums, 36, 70);
      drums.Note(at, kTicksPerBeat / 8, kDrums, 42, beat % 2 ? 40 : 55);
    }
    start = t;
  }
  return {meta, melody, chords, bass, drums};
}

double TuneSeconds(const Tune& tune) {
  double beats = 0;
  for (const std::string& name : tune.order)
    for (const auto& s : tune.sections)
      if (s.name == name)
        for (const auto& n : s.melody) beats += n.beats;
  return beats * 60.0 / tune.tempo;
}

}  // namespace content
