#include "tools/content-gen/sound.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace content {
namespace {

constexpr double kPi = 3.14159265358979323846;

void Put16(std::string& s, unsigned v) {
  s += char(v & 255);
  s += char((v >> 8) & 255);
}
void Put32(std::string& s, unsigned v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
unsigned Get16(const unsigned char* p) { return p[0] | (p[1] << 8); }
unsigned Get32(const unsigned char* p) { return Get16(p) | (unsigned(Get16(p + 2)) << 16); }

std::int16_t Clip(double v) { return std::int16_t(std::lround(std::clamp(v, -32767.0, 32767.0))); }

}  // namespace

bool WriteWave(const std::string& path, const Samples& samples, std::string* error) {
  std::string out = "RIFF";
  const unsigned dataBytes = unsigned(samples.size() * 2);
  Put32(out, 36 + dataBytes);
  out += "WAVEfmt ";
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, kSampleRate);
  Put32(out, kSampleRate * 2);
  Put16(out, 2);
  Put16(out, 16);
  out += "data";
  Put32(out, dataBytes);
  for (auto v : samples) Put16(out, std::uint16_t(v));
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(out.data(), std::streamsize(out.size()));
  if (!f.flush()) {
    *error = path + ": cannot be written";
    return false;
  }
  return true;
}

bool ReadWaveAsMono(const std::string& path, Samples* out, std::string* error) {
  std::ifstream f(path, std::ios::binary);
  const std::vector<unsigned char> b((std::istreambuf_iterator<char>(f)), {});
  if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
      std::string(b.begin() + 8, b.begin() + 12) != "WAVE") {
    *error = path + ": not a wave file";
    return false;
  }
  unsigned channels = 0, rate = 0, bits = 0;
  std::size_t dataAt = 0, dataLen = 0;
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::string id(b.begin() + at, b.begin() + at + 4);
    // A streamed wave may give a chunk length past its end; take what is there.
    const std::size_t len = std::min<std::size_t>(Get32(&b[at + 4]), b.size() - at - 8);
    if (id == "fmt " && len >= 16) {
      if (Get16(&b[at + 8]) != 1) {
        *error = path + ": not PCM";
        return false;
      }
      channels = Get16(&b[at + 10]);
      rate = Get32(&b[at + 12]);
      bits = Get16(&b[at + 22]);
    } else if (id == "data") {
      dataAt = at + 8;
      dataLen = len;
      break;
    }
    at += 8 + len + (len & 1);
  }
  if (channels < 1 || channels > 8 || rate < 4000 || rate > 192000 || (bits != 8 && bits != 16) ||
      dataAt == 0) {
    *error = path + ": an unusable wave format";
    return false;
  }
  const std::size_t frameBytes = channels * (bits / 8);
  const std::size_t frames = dataLen / frameBytes;
  std::vector<double> mono(frames);
  for (std::size_t i = 0; i < frames; ++i) {
    double sum = 0;
    for (unsigned c = 0; c < channels; ++c) {
      const unsigned char* p = &b[dataAt + i * frameBytes + c * (bits / 8)];
      sum += bits == 16 ? double(std::int16_t(Get16(p))) : (double(p[0]) - 128) * 256;
    }
    mono[i] = sum / channels;
  }
  out->clear();
  if (frames == 0) return true;
  // Linear interpolation to the set's rate, for a wave made at another one.
  const std::size_t n = std::size_t(double(frames) * kSampleRate / rate);
  out->reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = double(i) * rate / kSampleRate;
    const std::size_t k = std::size_t(t);
    const double f = t - double(k);
    const double a = mono[std::min(k, frames - 1)], c = mono[std::min(k + 1, frames - 1)];
    out->push_back(Clip(a + (c - a) * f));
  }
  return true;
}

Samples Click() {
  // A wooden tick: a falling tone over a short burst of noise.
  const int n = kSampleRate * 35 / 1000;
  Samples s(n);
  std::uint32_t seed = 12345;
  for (int i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    const double noise = double((seed >> 16) & 0x7FFF) / 16384.0 - 1.0;
    const double t = double(i) / kSampleRate;
    const double env = std::exp(-t * 180.0);
    const double tone = std::sin(2 * kPi * (1800.0 - 9000.0 * t) * t);
    s[i] = Clip((0.55 * tone + 0.35 * noise) * env * 26000.0);
  }
  return s;
}

Samples Chime(const std::vector<int>& keys) {
  const int step = kSampleRate * 16 / 100;  // 160 ms a note
  const int ring = kSampleRate * 9 / 10;
  const std::size_t n = std::size_t(step) * (keys.size() ? keys.size() - 1 : 0) + ring;
  std::vector<double> mix(n, 0.0);
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const double f = 440.0 * std::pow(2.0, (keys[k] - 69) / 12.0);
    const int len = k + 1 == keys.size() ? ring : step * 3;
    for (int i = 0; i < len && k * step + i < n; ++i) {
      const double t = double(i) / kSampleRate;
      const double env =
          std::exp(-t * (k + 1 == keys.size() ? 4.0 : 7.0)) * std::min(1.0, t * 400.0);
      mix[k * step + i] +=
          env * (std::sin(2 * kPi * f * t) + 0.3 * std::sin(2 * kPi * 2.0 * f * t) +
                 0.1 * std::sin(2 * kPi * 3.0 * f * t));
    }
  }
  double peak = 0;
  for (double v : mix) peak = std::max(peak, std::abs(v));
  Samples s(n);
  for (std::size_t i = 0; i < n; ++i) s[i] = Clip(peak > 0 ? mix[i] / peak * 0.7 * 32767 : 0);
  return s;
}

}  // namespace content
