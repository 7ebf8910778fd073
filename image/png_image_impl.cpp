// PNG reading and writing through libpng. Rows travel straight between the
// library and the bottom-up DIB: the library is asked for exactly the DIB's
// pixel layout (blue, green, red for true colour).
#include "image/png_image_impl.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/file_replace.h"
#include "framework/path_resolver.h"
#include "image/bmp_io.h"

namespace {

// Transparent areas are flattened onto this colour.
constexpr png_byte kBackgroundRed = 31;
constexpr png_byte kBackgroundGreen = 127;
constexpr png_byte kBackgroundBlue = 255;

// Ancillary chunks the reader has no use for (five bytes each: name and NUL).
constexpr png_byte kIgnoredChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
    "sBIT\0sCAL\0sPLT\0sRGB\0sTER\0tEXt\0tIME\0zTXt";

// Errors come back through the jump buffer with the library's text; warnings
// are dropped (the library's default would print them).
struct PngErrors {
  std::jmp_buf jump;
  char message[200];
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
  std::snprintf(errors->message, sizeof errors->message, "%s", message ? message : "PNG error");
  std::longjmp(errors->jump, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// libpng frees nothing of ours: the palette and rows are ours, and every
// allocation below happens outside the frames a longjmp crosses.
struct ReadState {
  png_structp png = nullptr;
  png_infop info = nullptr;
};

// The body of the read; a library error jumps back into Read's frame, which
// holds no objects with destructors.
void DecodePng(CPngImageImpl* image, png_structp png, png_infop info, std::FILE* file) {
  png_init_io(png, file);
  png_set_user_limits(png, MAX_IMAGE_SIDE, MAX_IMAGE_SIDE);
  // Only the pixels, the palette and the transparency matter here: other
  // chunks are skipped unread, and none may make the library allocate more
  // than a few megabytes whatever length it claims.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                              static_cast<int>(sizeof kIgnoredChunks / 5));
  png_set_chunk_malloc_max(png, 8u << 20);
  png_set_chunk_cache_max(png, 1000);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

  int depth = 24;
  enum class Kind { Palette, Grey, Colour } kind = Kind::Colour;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    kind = Kind::Palette;
  } else if (colorType == PNG_COLOR_TYPE_GRAY && !hasTrns) {
    kind = Kind::Grey;
  }
  if (kind != Kind::Colour) {
    // Index and grey pixels keep their depth; 2 bits are widened to a byte
    // (the drawing calls take 1, 4 and 8), 16-bit grey is scaled to 8.
    if (bitDepth == 16) png_set_scale_16(png);
    if (bitDepth == 2) png_set_packing(png);
    depth = (bitDepth == 2 || bitDepth == 16) ? 8 : bitDepth;
  } else {
    // Everything else becomes 8-bit blue, green, red, with alpha and the
    // transparent colour flattened onto the background. The background is
    // given in 8-bit samples and not to be expanded: the library scales it for
    // 16-bit files itself, and would take only a grey one for grey files.
    png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
      png_set_gray_to_rgb(png);
    }
    png_color_16 background{};
    background.red = kBackgroundRed;
    background.green = kBackgroundGreen;
    background.blue = kBackgroundBlue;
    png_set_background(png, &background, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    if (bitDepth == 16) png_set_scale_16(png);
    png_set_bgr(png);
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const std::size_t libraryRow = png_get_rowbytes(png, info);
  const std::size_t dibRow = DibRowBytes(static_cast<int>(width), depth);
  if (dibRow == 0 || libraryRow > dibRow || libraryRow == 0) {
    png_error(png, "unsupported pixel layout");
  }
  if (kind == Kind::Colour &&
      (png_get_channels(png, info) != 3 || png_get_bit_depth(png, info) != 8)) {
    png_error(png, "unsupported pixel layout");
  }
  if (!image->Create(static_cast<int>(width), static_cast<int>(height), depth,
                     kind == Kind::Colour ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY)) {
    png_error(png, "picture too large");
  }

  if (kind == Kind::Palette) {
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) == 0 || count <= 0) {
      png_error(png, "missing palette");
    }
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    if (hasTrns) png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
    BYTE rgb[256 * 3];
    count = count > 256 ? 256 : count;
    const png_byte bg[3] = {kBackgroundRed, kBackgroundGreen, kBackgroundBlue};
    for (int i = 0; i < count; ++i) {
      const png_byte c[3] = {palette[i].red, palette[i].green, palette[i].blue};
      const int a = (alpha && i < alphaCount) ? alpha[i] : 255;
      for (int k = 0; k < 3; ++k) {
        // The entry as it shows over the background.
        rgb[3 * i + k] = static_cast<BYTE>((c[k] * a + bg[k] * (255 - a) + 127) / 255);
      }
    }
    image->SetPalette(count, rgb);
  } else if (kind == Kind::Grey) {
    // A grey ramp, so that the pixels draw as the grey levels they are.
    const int levels = 1 << (bitDepth > 8 ? 8 : bitDepth);
    BYTE grey[256];
    for (int i = 0; i < levels; ++i) grey[i] = static_cast<BYTE>(i * 255 / (levels - 1));
    image->SetPalette(levels, grey, nullptr, nullptr);
  }

  const int h = static_cast<int>(height);
  for (int pass = 0; pass < passes; ++pass) {
    // The picture's top row is the DIB's last row in memory. Later passes
    // merge their pixels into the rows decoded so far.
    for (int y = 0; y < h; ++y) {
      BYTE* row = image->m_pBits + static_cast<std::size_t>(h - 1 - y) * image->m_nRowBytes;
      png_read_row(png, row, nullptr);
    }
  }
  png_read_end(png, nullptr);
}

// The error return point: false when the library reported an error.
bool RunDecode(PngErrors* errors, CPngImageImpl* image, png_structp png, png_infop info,
               std::FILE* file) {
  if (setjmp(errors->jump) != 0) return false;
  DecodePng(image, png, info, file);
  return true;
}

}  // namespace

BOOL CPngImageImpl::Read(const std::string& name) {
  if (!name.empty()) m_strPath = name;
  SetImageLastError(std::string());
  const std::string path = fw::ResolvePath(m_strPath);
  std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
  if (!file) {
    SetImageLastError("cannot open the file");
    return 0;
  }
  PngErrors* errors = static_cast<PngErrors*>(std::calloc(1, sizeof(PngErrors)));
  png_structp png =
      errors ? png_create_read_struct(PNG_LIBPNG_VER_STRING, errors, OnPngError, OnPngWarning)
             : nullptr;
  if (!png) {
    std::fclose(file);
    std::free(errors);
    SetImageLastError("out of memory");
    return 0;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    std::fclose(file);
    std::free(errors);
    SetImageLastError("out of memory");
    return 0;
  }
  // What was decoded before an error stays in the DIB.
  const BOOL result = RunDecode(errors, this, png, info, file) ? 1 : 0;
  if (!result) SetImageLastError(errors->message);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  std::free(errors);
  return result;
}

namespace {

// What the writer stores for a picture: the PNG layout and the palette.
struct WritePlan {
  int bitDepth;
  int colorType;
  int paletteCount;
  png_color palette[256];
  // Rows of depths 16 and 32 are turned into 24-bit rows first.
  bool convert;
};

bool PlanWrite(CImageImpl* image, WritePlan* plan) {
  const int depth = image->m_nBitsPerPixel;
  if (depth == 1 || depth == 4 || depth == 8) {
    plan->bitDepth = depth;
    plan->colorType = PNG_COLOR_TYPE_PALETTE;
    // Enough entries for every index the pixels use, within what the depth
    // allows; entries the palette does not have are black.
    int highest = 0;
    for (int y = 0; y < image->m_nHeight; ++y) {
      for (int x = 0; x < image->m_nWidth; ++x) {
        const int index = image->GetPixelIndex(x, y);
        if (index > highest) highest = index;
      }
    }
    int count = highest + 1;
    if (image->imagePalette && image->imagePalette->GetEntryCount() > count) {
      count = image->imagePalette->GetEntryCount();
    }
    if (count > (1 << depth)) count = 1 << depth;
    plan->paletteCount = count;
    const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(image->m_pDIB);
    const auto* table = reinterpret_cast<const RGBQUAD*>(image->m_pDIB + h->biSize);
    const int tableCount = DibColorCount(h);
    for (int i = 0; i < count; ++i) {
      BYTE r = 0, g = 0, b = 0;
      if (image->imagePalette) {
        GetPaletteEntryRGB(image->imagePalette, i, r, g, b);
      } else if (i < tableCount) {
        // Without a palette the colour table holds the colours.
        r = table[i].rgbRed;
        g = table[i].rgbGreen;
        b = table[i].rgbBlue;
      }
      plan->palette[i] = png_color{r, g, b};
    }
    return true;
  }
  if (depth == 24 || depth == 16 || depth == 32) {
    plan->bitDepth = 8;
    plan->colorType = PNG_COLOR_TYPE_RGB;
    plan->convert = depth != 24;
    return true;
  }
  return false;
}

void WriteToSink(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<fw::ReplaceSink*>(png_get_io_ptr(png));
  if (!sink->Write(data, length)) png_error(png, "cannot write the file");
}

void FlushNothing(png_structp) {}

void EncodePng(CImageImpl* image, const WritePlan* plan, png_structp png, png_infop info,
               fw::ReplaceSink* sink, BYTE* rowBuffer) {
  png_set_write_fn(png, sink, WriteToSink, FlushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image->m_nWidth),
               static_cast<png_uint_32>(image->m_nHeight), plan->bitDepth, plan->colorType,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  if (plan->colorType == PNG_COLOR_TYPE_PALETTE) {
    png_set_PLTE(png, info, plan->palette, plan->paletteCount);
  }
  png_write_info(png, info);
  if (plan->colorType == PNG_COLOR_TYPE_RGB && !plan->convert) png_set_bgr(png);
  const int h = image->m_nHeight;
  for (int y = 0; y < h; ++y) {
    const int dibRow = h - 1 - y;
    BYTE* row = image->m_pBits + static_cast<std::size_t>(dibRow) * image->m_nRowBytes;
    if (plan->convert) {
      for (int x = 0; x < image->m_nWidth; ++x) {
        BYTE r = 0, g = 0, b = 0;
        image->GetPixelRGB(x, dibRow, r, g, b);
        rowBuffer[3 * x] = r;
        rowBuffer[3 * x + 1] = g;
        rowBuffer[3 * x + 2] = b;
      }
      row = rowBuffer;
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
}

bool RunEncode(PngErrors* errors, CImageImpl* image, const WritePlan* plan, png_structp png,
               png_infop info, fw::ReplaceSink* sink, BYTE* rowBuffer) {
  if (setjmp(errors->jump) != 0) return false;
  EncodePng(image, plan, png, info, sink, rowBuffer);
  return true;
}

}  // namespace

BOOL CPngImageImpl::Write(const std::string& name) {
  if (!name.empty()) m_strPath = name;
  SetImageLastError(std::string());
  if (!m_pDIB) {
    SetImageLastError("no picture to write");
    return 0;
  }
  auto* plan = static_cast<WritePlan*>(std::calloc(1, sizeof(WritePlan)));
  if (!plan || !PlanWrite(this, plan)) {
    std::free(plan);
    SetImageLastError(plan ? "unsupported pixel depth" : "out of memory");
    return 0;
  }
  BYTE* rowBuffer = static_cast<BYTE*>(std::malloc(static_cast<std::size_t>(m_nWidth) * 3 + 1));
  PngErrors* errors = static_cast<PngErrors*>(std::calloc(1, sizeof(PngErrors)));
  BOOL result = 0;
  std::string failure;
  if (!rowBuffer || !errors) {
    failure = "out of memory";
  } else {
    const auto written = imageio::WriteFileAtomically(m_strPath, [&](fw::ReplaceSink& sink) {
      png_structp png =
          png_create_write_struct(PNG_LIBPNG_VER_STRING, errors, OnPngError, OnPngWarning);
      png_infop info = png ? png_create_info_struct(png) : nullptr;
      bool encoded = false;
      if (!png || !info) {
        failure = "out of memory";
      } else if (RunEncode(errors, this, plan, png, info, &sink, rowBuffer)) {
        encoded = true;
      } else {
        failure = errors->message;
      }
      if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
      return encoded;
    });
    if (written == imageio::WriteResult::kOk) {
      result = 1;
    } else if (written == imageio::WriteResult::kCannotOpen) {
      failure = "cannot create the file";
    } else if (failure.empty()) {
      failure = "cannot write the file";
    }
  }
  if (!result) SetImageLastError(failure);
  std::free(rowBuffer);
  std::free(errors);
  std::free(plan);
  return result;
}
