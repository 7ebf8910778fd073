#include "image/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

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

// The picture a header asks for fits the library's limits (the quantiser's
// first pass would otherwise decode the whole of it before any check).
bool WithinLimits(JDIMENSION width, JDIMENSION height, int bytesPerPixel) {
  if (width == 0 || height == 0 || width > static_cast<JDIMENSION>(kMaxSide) ||
      height > static_cast<JDIMENSION>(kMaxSide)) {
    return false;
  }
  const std::int64_t rowBytes = (std::int64_t{width} * bytesPerPixel + 3) & ~std::int64_t{3};
  return std::int64_t{width} * height <= kMaxPixels && rowBytes * height <= kMaxOutputBytes;
}

// A destination of our own: the coded bytes go into a vector, which the
// library never frees or reallocates behind the caller's back.
struct VectorDestination {
  jpeg_destination_mgr pub;
  std::vector<BYTE>* out;
  JOCTET chunk[16384];
};

void InitVector(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->chunk;
  dest->pub.free_in_buffer = sizeof dest->chunk;
}

// Appends bytes, turning a failed allocation into the library's error.
void Append(j_compress_ptr cinfo, const JOCTET* bytes, std::size_t count) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  bool grown = true;
  try {
    dest->out->insert(dest->out->end(), bytes, bytes + count);
  } catch (const std::exception&) {
    grown = false;
  }
  if (!grown) {
    cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
    (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
  }
}

boolean EmptyVector(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  Append(cinfo, dest->chunk, sizeof dest->chunk);
  InitVector(cinfo);
  return TRUE;
}

void TermVector(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  Append(cinfo, dest->chunk, sizeof dest->chunk - dest->pub.free_in_buffer);
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
  const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (!WithinLimits(cinfo.image_width, cinfo.image_height, cmyk ? 3 : 1)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
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
                 const std::function<void(int, BYTE*)>& row, VectorDestination& dest) {
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  dest.pub.init_destination = InitVector;
  dest.pub.empty_output_buffer = EmptyVector;
  dest.pub.term_destination = TermVector;
  cinfo.dest = &dest.pub;
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
  auto* dest = new VectorDestination{};
  dest->out = &out;
  const bool ok = EncodeInner(cinfo, err, width, height, quality, row, *dest);
  delete dest;
  if (!ok) out.clear();
  return ok;
}

}  // namespace jpegfmt
