// Enhanced metafiles in the EMF layout: a header record, one bitmap record
// per copy of pixels (EMR_BITBLT, or EMR_STRETCHBLT when stretched) holding a
// 24-bit bottom-up device-independent bitmap, and the end record.
#include "framework/metafile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/file_replace.h"
#include "framework/path_resolver.h"
#include "framework/print_internal.h"

namespace fw {

struct EnhMetaFileState {
  RECT frame{};                   // hundredths of a millimetre
  double dotsPerMmX = 96 / 25.4;  // of the reference device
  double dotsPerMmY = 96 / 25.4;
  struct Picture {
    RECT dest{};  // in the recording's units
    std::unique_ptr<Surface> pixels;
  };
  std::vector<Picture> pictures;
};

namespace {

void Put32(std::string& b, size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put16(std::string& b, size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void PutFloat(std::string& b, size_t at, float f) {
  std::uint32_t v;
  std::memcpy(&v, &f, 4);
  Put32(b, at, v);
}
void PutRect(std::string& b, size_t at, LONG l, LONG t, LONG r, LONG bo) {
  Put32(b, at, static_cast<std::uint32_t>(l));
  Put32(b, at + 4, static_cast<std::uint32_t>(t));
  Put32(b, at + 8, static_cast<std::uint32_t>(r));
  Put32(b, at + 12, static_cast<std::uint32_t>(bo));
}

// The largest record written: a bitmap of this many bytes or more is refused.
constexpr std::uint64_t kMaxRecord = std::uint64_t{1} << 30;

class MetafileRecorder : public DCDevice {
 public:
  // An empty path records in memory only.
  MetafileRecorder(HDC reference, std::string path, const RECT* frame, LPCTSTR description)
      : m_path(std::move(path)) {
    for (int i : {HORZSIZE, VERTSIZE, HORZRES, VERTRES, LOGPIXELSX, LOGPIXELSY}) {
      m_caps[i] = reference ? GetDeviceCaps(reference, i) : ScreenDeviceCaps(i);
    }
    if (m_caps[LOGPIXELSX] <= 0 || m_caps[LOGPIXELSY] <= 0) {
      m_caps[LOGPIXELSX] = m_caps[LOGPIXELSY] = 96;
    }
    if (frame) {
      m_hasFrame = true;
      m_frame = *frame;
    }
    if (description) {
      // The application's name, then the picture's, each ended by a NUL.
      for (const char* c = description; *c; ++c)
        m_description.push_back(static_cast<unsigned char>(*c));
      m_description.push_back(0);
      m_description.push_back(0);
    }
  }

  int DeviceCaps(int index) const override {
    auto it = m_caps.find(index);
    return it == m_caps.end() ? 0 : it->second;
  }

  bool DrawImage(const Surface& src, int sx, int sy, int sw, int sh, int x, int y, int w,
                 int h) override {
    const std::uint64_t row = (static_cast<std::uint64_t>(sw) * 3 + 3) & ~std::uint64_t{3};
    const std::uint64_t bits = row * static_cast<std::uint64_t>(sh);
    const bool stretched = sw != w || sh != h;
    const size_t head = stretched ? 108 : 100;
    if (bits + head + 40 >= kMaxRecord) return false;
    std::string r(head + 40 + bits, '\0');
    Put32(r, 0, stretched ? EMR_STRETCHBLT : EMR_BITBLT);
    Put32(r, 4, static_cast<std::uint32_t>(r.size()));
    PutRect(r, 8, x, y, x + w - 1, y + h - 1);
    Put32(r, 24, static_cast<std::uint32_t>(x));
    Put32(r, 28, static_cast<std::uint32_t>(y));
    Put32(r, 32, static_cast<std::uint32_t>(w));
    Put32(r, 36, static_cast<std::uint32_t>(h));
    Put32(r, 40, SRCCOPY);
    // xSrc, ySrc 0: the bitmap holds only the copied part; identity transform.
    PutFloat(r, 52, 1.0f);
    PutFloat(r, 64, 1.0f);
    Put32(r, 76, 0xFFFFFF);  // background colour of the source
    Put32(r, 80, DIB_RGB_COLORS);
    Put32(r, 84, static_cast<std::uint32_t>(head));
    Put32(r, 88, 40);
    Put32(r, 92, static_cast<std::uint32_t>(head + 40));
    Put32(r, 96, static_cast<std::uint32_t>(bits));
    if (stretched) {
      Put32(r, 100, static_cast<std::uint32_t>(sw));
      Put32(r, 104, static_cast<std::uint32_t>(sh));
    }
    // BITMAPINFOHEADER
    Put32(r, head, 40);
    Put32(r, head + 4, static_cast<std::uint32_t>(sw));
    Put32(r, head + 8, static_cast<std::uint32_t>(sh));
    Put16(r, head + 12, 1);
    Put16(r, head + 14, 24);
    Put32(r, head + 16, BI_RGB);
    Put32(r, head + 20, static_cast<std::uint32_t>(bits));
    const auto perMetre = [](int dpi) {
      return static_cast<std::uint32_t>(std::lround(dpi / 0.0254));
    };
    Put32(r, head + 24, perMetre(m_caps[LOGPIXELSX]));
    Put32(r, head + 28, perMetre(m_caps[LOGPIXELSY]));
    auto picture = std::make_unique<Surface>(sw, sh);
    if (!picture->image) return false;
    for (int j = 0; j < sh; ++j) {
      // Bottom-up rows of blue, green, red.
      char* out = r.data() + head + 40 + static_cast<size_t>(sh - 1 - j) * row;
      for (int i = 0; i < sw; ++i) {
        const std::uint32_t p = src.Pixel(sx + i, sy + j);
        out[3 * i] = static_cast<char>(p & 0xFF);
        out[3 * i + 1] = static_cast<char>((p >> 8) & 0xFF);
        out[3 * i + 2] = static_cast<char>((p >> 16) & 0xFF);
        picture->pixels[static_cast<size_t>(j) * static_cast<size_t>(picture->stride / 4) +
                        static_cast<size_t>(i)] = p;
      }
    }
    if (m_bytes + r.size() >= std::numeric_limits<std::uint32_t>::max() / 2) return false;
    m_bytes += r.size();
    m_records.push_back(std::move(r));
    EnhMetaFileState::Picture pic;
    pic.dest = RECT{x, y, x + w, y + h};
    pic.pixels = std::move(picture);
    m_pictures.push_back(std::move(pic));
    if (m_empty) {
      m_bounds = RECT{x, y, x + w, y + h};
      m_empty = false;
    } else {
      m_bounds.left = std::min(m_bounds.left, x);
      m_bounds.top = std::min(m_bounds.top, y);
      m_bounds.right = std::max(m_bounds.right, x + w);
      m_bounds.bottom = std::max(m_bounds.bottom, y + h);
    }
    return true;
  }

  // Writes the file (if any) and hands over what was recorded.
  HENHMETAFILE Close() {
    auto state = std::make_unique<EnhMetaFileState>();
    state->dotsPerMmX = m_caps[LOGPIXELSX] / 25.4;
    state->dotsPerMmY = m_caps[LOGPIXELSY] / 25.4;
    if (m_hasFrame) {
      state->frame = m_frame;
    } else if (!m_empty) {
      state->frame =
          RECT{static_cast<LONG>(std::lround(m_bounds.left * 100 / state->dotsPerMmX)),
               static_cast<LONG>(std::lround(m_bounds.top * 100 / state->dotsPerMmY)),
               static_cast<LONG>(std::lround(m_bounds.right * 100 / state->dotsPerMmX)),
               static_cast<LONG>(std::lround(m_bounds.bottom * 100 / state->dotsPerMmY))};
    }
    state->pictures = std::move(m_pictures);
    if (!m_path.empty()) {
      if (!WriteFile(*state)) return nullptr;
    }
    return state.release();
  }

 private:
  bool WriteFile(const EnhMetaFileState& state) {
    const size_t descBytes = m_description.size() * 2;
    const size_t headerSize = 108 + ((descBytes + 3) & ~size_t{3});
    std::string h(headerSize, '\0');
    const std::uint64_t total = headerSize + m_bytes + 20;
    Put32(h, 0, EMR_HEADER);
    Put32(h, 4, static_cast<std::uint32_t>(headerSize));
    if (m_empty) {
      PutRect(h, 8, 0, 0, -1, -1);
    } else {
      PutRect(h, 8, m_bounds.left, m_bounds.top, m_bounds.right - 1, m_bounds.bottom - 1);
    }
    PutRect(h, 24, state.frame.left, state.frame.top, state.frame.right, state.frame.bottom);
    Put32(h, 40, ENHMETA_SIGNATURE);
    Put32(h, 44, 0x10000);
    Put32(h, 48, static_cast<std::uint32_t>(total));
    Put32(h, 52, static_cast<std::uint32_t>(m_records.size() + 2));
    Put16(h, 56, 1);  // the reserved handle 0
    Put32(h, 60, static_cast<std::uint32_t>(m_description.size()));
    Put32(h, 64, m_description.empty() ? 0 : 108);
    // The reference device: its size in pixels, millimetres and micrometres.
    const int devW = m_caps[HORZRES] > 0 ? m_caps[HORZRES] : 640;
    const int devH = m_caps[VERTRES] > 0 ? m_caps[VERTRES] : 480;
    const double umW = devW * 25400.0 / m_caps[LOGPIXELSX];
    const double umH = devH * 25400.0 / m_caps[LOGPIXELSY];
    Put32(h, 72, static_cast<std::uint32_t>(devW));
    Put32(h, 76, static_cast<std::uint32_t>(devH));
    Put32(h, 80, static_cast<std::uint32_t>(std::lround(umW / 1000)));
    Put32(h, 84, static_cast<std::uint32_t>(std::lround(umH / 1000)));
    Put32(h, 100, static_cast<std::uint32_t>(std::lround(umW)));
    Put32(h, 104, static_cast<std::uint32_t>(std::lround(umH)));
    for (size_t i = 0; i < m_description.size(); ++i) {
      Put16(h, 108 + 2 * i, m_description[i]);
    }
    std::string eof(20, '\0');
    Put32(eof, 0, EMR_EOF);
    Put32(eof, 4, 20);
    Put32(eof, 12, 16);
    Put32(eof, 16, 20);

    // The earlier picture is replaced only by a complete new one.
    return ReplaceFile(m_path, [&](ReplaceSink& sink) {
             bool ok = sink.Write(h.data(), h.size());
             for (const auto& r : m_records) ok = ok && sink.Write(r.data(), r.size());
             return ok && sink.Write(eof.data(), eof.size());
           }) == 0;
  }

  std::string m_path;
  std::map<int, int> m_caps;
  bool m_hasFrame = false;
  RECT m_frame{};
  std::vector<std::uint16_t> m_description;
  std::vector<std::string> m_records;
  std::vector<EnhMetaFileState::Picture> m_pictures;
  std::uint64_t m_bytes = 0;
  bool m_empty = true;
  RECT m_bounds{};
};

MetafileRecorder* Recorder(HDC dc) {
  return dc ? dynamic_cast<MetafileRecorder*>(dc->device.get()) : nullptr;
}

}  // namespace

}  // namespace fw

HDC CreateEnhMetaFile(HDC reference, LPCTSTR fileName, const RECT* frame, LPCTSTR description) {
  std::string path;
  if (fileName) {
    path = fw::ResolvePath(fileName);
    if (path.empty()) return nullptr;
    // The file is written whole when the recording closes; a folder that is
    // not there refuses the recording now.
    const std::string::size_type slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  }
  auto* dc = new fw::DCState;
  dc->kind = fw::DCState::Kind::Memory;
  dc->device = std::make_unique<fw::MetafileRecorder>(reference, path, frame, description);
  return dc;
}

HENHMETAFILE CloseEnhMetaFile(HDC dc) {
  auto* recorder = fw::Recorder(dc);
  if (!recorder) return nullptr;
  HENHMETAFILE result = recorder->Close();
  delete dc;
  return result;
}

BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect) {
  if (!dc || !metafile || !rect) return FALSE;
  // The frame, in the recording's units, is stretched onto rect.
  const RECT& f = metafile->frame;
  const double fx0 = f.left * metafile->dotsPerMmX / 100.0;
  const double fy0 = f.top * metafile->dotsPerMmY / 100.0;
  const double fx1 = f.right * metafile->dotsPerMmX / 100.0;
  const double fy1 = f.bottom * metafile->dotsPerMmY / 100.0;
  if (fx1 <= fx0 || fy1 <= fy0) return FALSE;
  const double kx = (rect->right - rect->left) / (fx1 - fx0);
  const double ky = (rect->bottom - rect->top) / (fy1 - fy0);
  BOOL ok = TRUE;
  for (const auto& p : metafile->pictures) {
    const int x0 = rect->left + static_cast<int>(std::lround((p.dest.left - fx0) * kx));
    const int y0 = rect->top + static_cast<int>(std::lround((p.dest.top - fy0) * ky));
    const int x1 = rect->left + static_cast<int>(std::lround((p.dest.right - fx0) * kx));
    const int y1 = rect->top + static_cast<int>(std::lround((p.dest.bottom - fy0) * ky));
    if (x1 <= x0 || y1 <= y0) continue;
    if (!fw::DrawSurface(dc, *p.pixels, 0, 0, p.pixels->width, p.pixels->height, x0, y0, x1 - x0,
                         y1 - y0)) {
      ok = FALSE;
    }
  }
  return ok;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE metafile) {
  if (!metafile) return FALSE;
  delete metafile;
  return TRUE;
}
