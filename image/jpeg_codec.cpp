#include "image/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace jpegfmt {
namespace {

// The standard error manager with its fatal routine returning to the caller
// instead of ending the process, and warnings kept quiet.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void OutputMessage(j_common_ptr) {}

struct ScanLimit {
  jpeg_progress_mgr pub;
};

void CheckScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    cinfo->err->msg_code = JERR_NOTIMPL;
    (*cinfo->err->error_exit)(cinfo);
  }
}

void SetUpErrors(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.output_message = OutputMessage;
  err.message[0] = 0;
}

// Everything below runs between setjmp and a possible longjmp, so it keeps
// only trivially destructible state of its own.
bool DecodeInner(jpeg_decompress_struct& cinfo, ErrorManager& err, const BYTE* data,
                 std::size_t size, const std::function<RowTarget(const DecodeHeader&)>& begin,
                 DecodeHeader& header) {
  ScanLimit limit{};
  limit.pub.progress_monitor = CheckScans;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
  cinfo.progress = &limit.pub;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (static_cast<std::int64_t>(cinfo.image_width) * cinfo.image_height > kMaxPixels) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (cmyk) {
    cinfo.out_color_space = JCS_CMYK;
  } else if (!grey) {
    cinfo.out_color_space = JCS_RGB;
    cinfo.quantize_colors = TRUE;
    cinfo.desired_number_of_colors = 128;
  }
  jpeg_start_decompress(&cinfo);

  header.width = static_cast<int>(cinfo.output_width);
  header.height = static_cast<int>(cinfo.output_height);
  header.grey = grey;
  header.bytesPerPixel = cmyk ? 3 : 1;
  if (!grey && !cmyk) {
    header.colorCount = cinfo.actual_number_of_colors;
    for (int c = 0; c < 3; ++c) {
      std::memcpy(header.colors[c], cinfo.colormap[c], header.colorCount);
    }
  }
  const RowTarget target = begin(header);
  if (!target.firstRow) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const JDIMENSION rowBytes = cinfo.output_width * cinfo.output_components;
  JSAMPARRAY buffer =
      (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, rowBytes, 1);
  BYTE* out = target.firstRow;
  while (cinfo.output_scanline < cinfo.output_height) {
    if (jpeg_read_scanlines(&cinfo, buffer, 1) != 1) break;
    const BYTE* in = buffer[0];
    if (cmyk) {
      // Adobe files store the inks inverted: the values are already
      // 255 - ink, so each colour is that times the inverted black.
      for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
        const BYTE* p = in + 4 * x;
        out[3 * x + 0] = static_cast<BYTE>(p[2] * p[3] / 255);
        out[3 * x + 1] = static_cast<BYTE>(p[1] * p[3] / 255);
        out[3 * x + 2] = static_cast<BYTE>(p[0] * p[3] / 255);
      }
    } else {
      std::memcpy(out, in, rowBytes);
    }
    out += target.rowStep;
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool EncodeInner(jpeg_compress_struct& cinfo, ErrorManager& err, int width, int height, int quality,
                 const std::function<void(int, BYTE*)>& row, unsigned char*& buffer,
                 unsigned long& bytes) {
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &bytes);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(3 * width), 1);
  while (cinfo.next_scanline < cinfo.image_height) {
    row(static_cast<int>(cinfo.next_scanline), line[0]);
    jpeg_write_scanlines(&cinfo, line, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

bool Decode(const BYTE* data, std::size_t size,
            const std::function<RowTarget(const DecodeHeader&)>& begin) {
  if (size == 0) return false;
  ErrorManager err;
  SetUpErrors(err);
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = &err.pub;
  auto* header = new DecodeHeader;
  const bool ok = DecodeInner(cinfo, err, data, size, begin, *header);
  delete header;
  return ok;
}

bool Encode(int width, int height, int quality, const std::function<void(int, BYTE*)>& row,
            std::vector<BYTE>& out) {
  out.clear();
  // Sizes the format cannot hold make the library fail before any row.
  ErrorManager err;
  SetUpErrors(err);
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = &err.pub;
  unsigned char* buffer = nullptr;
  unsigned long bytes = 0;
  const bool ok = EncodeInner(cinfo, err, width, height, quality, row, buffer, bytes);
  if (ok && buffer) out.assign(buffer, buffer + bytes);
  std::free(buffer);
  return ok;
}

}  // namespace jpegfmt
