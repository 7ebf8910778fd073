// Small sound files made in code: a wave of one tone and a MIDI tune of
// single notes, so each test shows the sound it needs.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace sound_fixtures {

inline void PutLe(std::string& s, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
inline void PutBe(std::string& s, std::uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A 16-bit mono PCM wave of ms milliseconds: a sine of hz at amplitude
// (0 to 1), or silence for hz 0.
inline std::string ToneWave(int rate, int ms, double hz, double amplitude = 0.5) {
  const std::uint32_t frames = static_cast<std::uint32_t>(std::int64_t{rate} * ms / 1000);
  std::string data;
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double v = hz > 0 ? amplitude * std::sin(2 * M_PI * hz * i / rate) : 0.0;
    PutLe(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(v * 32767)), 2);
  }
  std::string s = "RIFF";
  PutLe(s, static_cast<std::uint32_t>(36 + data.size()), 4);
  s += "WAVEfmt ";
  PutLe(s, 16, 4);
  PutLe(s, 1, 2);  // PCM
  PutLe(s, 1, 2);  // mono
  PutLe(s, static_cast<std::uint32_t>(rate), 4);
  PutLe(s, static_cast<std::uint32_t>(rate * 2), 4);
  PutLe(s, 2, 2);
  PutLe(s, 16, 2);
  s += "data";
  PutLe(s, static_cast<std::uint32_t>(data.size()), 4);
  return s + data;
}

struct Note {
  int key;  // MIDI key; below 0 a rest
  int ms;
  int velocity = 120;
};

inline void PutVarLen(std::string& s, std::uint32_t v) {
  std::string bytes(1, static_cast<char>(v & 0x7F));
  while (v >>= 7) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (v & 0x7F)));
  s += bytes;
}

// A format 0 MIDI file of notes one after another on channel 1 with the
// given instrument (General MIDI program, from 0). One tick is a millisecond.
inline std::string Tune(const std::vector<Note>& notes, int program = 0) {
  std::string track;
  PutVarLen(track, 0);
  track += "\xFF\x51\x03";
  PutBe(track, 480000, 3);  // a quarter of 480 ticks in 480 ms
  PutVarLen(track, 0);
  track.push_back(static_cast<char>(0xC0));
  track.push_back(static_cast<char>(program));
  std::uint32_t wait = 0;
  for (const Note& n : notes) {
    if (n.key < 0) {
      wait += static_cast<std::uint32_t>(n.ms);
      continue;
    }
    PutVarLen(track, wait);
    track.push_back(static_cast<char>(0x90));
    track.push_back(static_cast<char>(n.key));
    track.push_back(static_cast<char>(n.velocity));
    PutVarLen(track, static_cast<std::uint32_t>(n.ms));
    track.push_back(static_cast<char>(0x80));
    track.push_back(static_cast<char>(n.key));
    track.push_back(0);
    wait = 0;
  }
  PutVarLen(track, wait);
  track += std::string("\xFF\x2F\x00", 3);
  std::string s = "MThd";
  PutBe(s, 6, 4);
  PutBe(s, 0, 2);
  PutBe(s, 1, 2);
  PutBe(s, 480, 2);
  s += "MTrk";
  PutBe(s, static_cast<std::uint32_t>(track.size()), 4);
  return s + track;
}

inline std::vector<std::uint8_t> Bytes(const std::string& s) {
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

}  // namespace sound_fixtures
