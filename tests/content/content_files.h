// Reading the generated content set in tests: its folder, files as bytes, PNG
// chunks and wave headers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace content_test {

inline std::string ContentDir() { return std::string(PIPPALEE_BINARY_DIR) + "/content"; }
inline std::string SourcesDir() { return std::string(PIPPALEE_SOURCE_DIR) + "/content"; }
inline std::string GeneratorPath() {
  return std::string(PIPPALEE_BINARY_DIR) + "/pippalee-content-gen";
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), {});
}

inline std::uint32_t Be32(const std::string& s, std::size_t at) {
  return (std::uint32_t(std::uint8_t(s[at])) << 24) |
         (std::uint32_t(std::uint8_t(s[at + 1])) << 16) |
         (std::uint32_t(std::uint8_t(s[at + 2])) << 8) | std::uint32_t(std::uint8_t(s[at + 3]));
}

struct PngChunk {
  std::string type;
  std::string data;
  bool crcOk = false;
};

// The chunks of a PNG file, or an empty list when it is not one (bad
// signature, a chunk running past the end).
std::vector<PngChunk> ReadPngChunks(const std::string& bytes);

struct PngFacts {
  bool ok = false;  // a PNG whose every chunk's CRC is right, IHDR first, IEND last
  std::uint32_t width = 0, height = 0;
  int bitDepth = 0, colourType = 0;
  std::string palette;  // the PLTE chunk's data
};
PngFacts ReadPngFacts(const std::string& path);

struct WaveFacts {
  bool ok = false;  // RIFF WAVE with a PCM fmt chunk and a data chunk inside the file
  unsigned format = 0, channels = 0, rate = 0, bits = 0;
  std::vector<std::int16_t> samples;  // for 16-bit mono
};
WaveFacts ReadWaveFacts(const std::string& path);

}  // namespace content_test
