// What the copy and print tests share: a window to copy from, a temporary
// folder, and readers of the files the program writes (EMF, PNG, PDF pages).
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace print_test {

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::uint32_t U32(const std::string& b, std::size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
inline std::int32_t I32(const std::string& b, std::size_t at) {
  return static_cast<std::int32_t>(U32(b, at));
}

// A picture as rows of 0x00RRGGBB.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// Decodes a PNG held in memory to RGB; an empty image when it is not one.
inline Image DecodePng(const std::string& bytes) {
  Image out;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return out;
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return out;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
    out.pixels.push_back(static_cast<std::uint32_t>(rgb[i]) << 16 |
                         static_cast<std::uint32_t>(rgb[i + 1]) << 8 | rgb[i + 2]);
  }
  return out;
}

// Runs a command line; its standard output, or nullopt-like empty with ok false.
inline bool RunCommand(const std::string& command, std::string* output = nullptr) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return false;
  std::string out;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  const int status = pclose(p);
  if (output) *output = out;
  return status == 0;
}

inline bool HaveTool(const std::string& name) {
  return RunCommand("command -v " + name + " >/dev/null 2>&1");
}

// The first page of a PDF rendered at dpi with pdftoppm; empty without it.
inline Image RenderPdfPage(const std::string& pdf, const std::string& folder, int dpi) {
  const std::string in = folder + "/render.pdf";
  std::ofstream(in, std::ios::binary) << pdf;
  const std::string out = folder + "/render";
  if (!RunCommand("pdftoppm -f 1 -l 1 -singlefile -png -r " + std::to_string(dpi) + " '" + in +
                  "' '" + out + "' 2>/dev/null")) {
    return Image{};
  }
  return DecodePng(ReadBytes(out + ".png"));
}

// How many pages a PDF made by cairo has.
inline int PdfPageCount(const std::string& pdf) {
  int count = 0;
  for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
       at = pdf.find("/Type /Page", at + 1)) {
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++count;
  }
  return count;
}

// One record of an EMF file.
struct EmfRecord {
  std::uint32_t type = 0;
  std::size_t offset = 0;
  std::uint32_t size = 0;
};

// Splits an EMF file into records, checking each size against the file.
inline std::vector<EmfRecord> EmfRecords(const std::string& b) {
  std::vector<EmfRecord> out;
  std::size_t at = 0;
  while (at + 8 <= b.size()) {
    EmfRecord r{U32(b, at), at, U32(b, at + 4)};
    if (r.size < 8 || r.size % 4 != 0 || at + r.size > b.size()) break;
    out.push_back(r);
    at += r.size;
    if (r.type == 14) break;
  }
  return out;
}

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/pippalee-print-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "/tmp";
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace print_test
