#include "content_files.h"

#include <zlib.h>

namespace content_test {

std::vector<PngChunk> ReadPngChunks(const std::string& bytes) {
  static const std::string kSignature("\x89PNG\r\n\x1a\n", 8);
  if (bytes.compare(0, 8, kSignature) != 0) return {};
  std::vector<PngChunk> chunks;
  for (std::size_t at = 8; at < bytes.size();) {
    if (bytes.size() - at < 12) return {};
    const std::uint32_t length = Be32(bytes, at);
    if (length > bytes.size() - at - 12) return {};
    PngChunk c;
    c.type = bytes.substr(at + 4, 4);
    c.data = bytes.substr(at + 8, length);
    const uLong crc = crc32(crc32(0L, Z_NULL, 0),
                            reinterpret_cast<const Bytef*>(bytes.data() + at + 4), length + 4);
    c.crcOk = crc == Be32(bytes, at + 8 + length);
    chunks.push_back(c);
    at += 12 + length;
  }
  return chunks;
}

PngFacts ReadPngFacts(const std::string& path) {
  PngFacts f;
  const auto chunks = ReadPngChunks(ReadBytes(path));
  if (chunks.size() < 3 || chunks.front().type != "IHDR" || chunks.front().data.size() != 13 ||
      chunks.back().type != "IEND")
    return f;
  for (const auto& c : chunks) {
    if (!c.crcOk) return f;
    if (c.type == "PLTE") f.palette = c.data;
  }
  const std::string& h = chunks.front().data;
  f.width = Be32(h, 0);
  f.height = Be32(h, 4);
  f.bitDepth = std::uint8_t(h[8]);
  f.colourType = std::uint8_t(h[9]);
  f.ok = true;
  return f;
}

WaveFacts ReadWaveFacts(const std::string& path) {
  WaveFacts w;
  const std::string b = ReadBytes(path);
  auto le16 = [&](std::size_t at) {
    return unsigned(std::uint8_t(b[at])) | (unsigned(std::uint8_t(b[at + 1])) << 8);
  };
  auto le32 = [&](std::size_t at) { return le16(at) | (le16(at + 2) << 16); };
  if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) return w;
  bool haveFormat = false;
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::string id = b.substr(at, 4);
    const std::size_t len = le32(at + 4);
    if (len > b.size() - at - 8) return w;
    if (id == "fmt " && len >= 16) {
      w.format = le16(at + 8);
      w.channels = le16(at + 10);
      w.rate = le32(at + 12);
      w.bits = le16(at + 22);
      haveFormat = true;
    } else if (id == "data" && haveFormat) {
      if (w.bits == 16 && w.channels == 1)
        for (std::size_t i = 0; i + 1 < len; i += 2)
          w.samples.push_back(std::int16_t(le16(at + 8 + i)));
      w.ok = true;
      return w;
    }
    at += 8 + len + (len & 1);
  }
  return w;
}

}  // namespace content_test
