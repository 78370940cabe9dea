#include "picture/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "toolkit/exception.h"
#include "toolkit/message_format.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

constexpr int kQuantizedColours = 236;

// libjpeg hands its error exit the common struct; its err field points at our manager, whose first
// member is libjpeg's own.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void ExitWithError(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  std::longjmp(manager->jump, 1);
}

void DiscardMessage(j_common_ptr) {}
void DiscardEmit(j_common_ptr, int) {}

// Called by libjpeg while it reads the data; ends the decoding of a file with too many scans as
// libjpeg ends one with a broken scan script.
void LimitScans(j_common_ptr common) {
  const auto* info = reinterpret_cast<j_decompress_ptr>(common);
  const int scans = info->input_scan_number;
  if (scans <= 1) return;
  std::uint64_t blocks = 0;
  for (int c = 0; c < info->num_components; ++c) {
    blocks += std::uint64_t{info->comp_info[c].width_in_blocks} * info->comp_info[c].height_in_blocks;
  }
  if (scans > kMaxJpegScans || static_cast<std::uint64_t>(scans) * blocks > kMaxJpegScanBlocks) {
    ERREXIT1(common, JERR_BAD_SCAN_SCRIPT, scans);
  }
}

// Everything a libjpeg call may touch, none of it with a destructor: libjpeg's error exit jumps
// over these frames.
struct Decoding {
  jpeg_decompress_struct info{};
  ErrorManager error{};
  jpeg_progress_mgr progress{};
  bool created = false;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  bool quantize = false;
  JSAMPARRAY rows = nullptr;
};

using Step = void (*)(Decoding&);

// The only jump point. It owns nothing and touches no local after setjmp, so returning from it
// after the jump is well defined; the caller throws once it has returned.
bool RunStep(Decoding& d, Step step) {
  if (setjmp(d.error.jump) != 0) return false;
  step(d);
  return true;
}

void CreateStep(Decoding& d) {
  jpeg_create_decompress(&d.info);
  d.created = true;
  d.info.mem->max_memory_to_use = kMaxJpegWorkBytes;
  d.progress.progress_monitor = LimitScans;
  d.info.progress = &d.progress;
  jpeg_mem_src(&d.info, d.data, static_cast<unsigned long>(d.size));
}

void HeaderStep(Decoding& d) { jpeg_read_header(&d.info, TRUE); }

void StartStep(Decoding& d) {
  jpeg_decompress_struct& info = d.info;
  info.scale_num = 1;
  info.scale_denom = 1;
  info.do_block_smoothing = TRUE;
  info.dct_method = JDCT_ISLOW;
  info.buffered_image = FALSE;
  if (d.quantize) {
    info.quantize_colors = TRUE;
    info.desired_number_of_colors = kQuantizedColours;
    // Colour pictures are quantised in RGB, so that the palette holds red, green and blue.
    if (info.jpeg_color_space != JCS_GRAYSCALE) info.out_color_space = JCS_RGB;
  } else {
    info.out_color_space = JCS_EXT_BGR;  // the bitmap's byte order; same values as RGB
  }
  jpeg_start_decompress(&info);
}

void ReadStep(Decoding& d) {
  jpeg_decompress_struct& info = d.info;
  while (info.output_scanline < info.output_height) {
    if (jpeg_read_scanlines(&info, d.rows + info.output_scanline, info.output_height - info.output_scanline) == 0) {
      break;  // cannot happen with a memory source; finishing then reports the missing rows
    }
  }
}

void FinishStep(Decoding& d) { jpeg_finish_decompress(&d.info); }

// Owns the libjpeg object and releases it on every way out. The constructor runs no libjpeg step:
// a constructor that throws gets no destructor call, and the object would leak.
class Decompressor {
public:
  Decompressor(const std::uint8_t* data, std::size_t size) {
    m_d.info.err = jpeg_std_error(&m_d.error.pub);
    m_d.error.pub.error_exit = ExitWithError;
    m_d.error.pub.output_message = DiscardMessage;
    m_d.error.pub.emit_message = DiscardEmit;
    m_d.data = data;
    m_d.size = size;
  }
  ~Decompressor() {
    if (m_d.created) jpeg_destroy_decompress(&m_d.info);
  }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  void Run(Step step) {
    if (!RunStep(m_d, step)) {
      throw EInvalidGraphic(FormatMessage(kSJpegError, {std::to_string(m_d.error.pub.msg_code)}));
    }
  }

  // Creates the decompressor on the memory copy and reads the header.
  void Open() {
    Run(CreateStep);
    Run(HeaderStep);
  }

  Decoding& State() { return m_d; }

private:
  Decoding m_d;
};

}  // namespace

TJpegHeader ReadJpegHeader(const std::uint8_t* data, std::size_t size) {
  Decompressor decompressor(data, size);
  decompressor.Open();
  const jpeg_decompress_struct& info = decompressor.State().info;
  TJpegHeader header;
  header.Width = static_cast<int>(info.image_width);
  header.Height = static_cast<int>(info.image_height);
  header.Grayscale = info.jpeg_color_space == JCS_GRAYSCALE;
  header.Progressive = jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&info)) != 0;
  return header;
}

namespace {

// Decodes into target, which the caller has emptied or owns.
void DecodeInto(Decompressor& decompressor, bool quantize, TBitmap& target) {
  Decoding& d = decompressor.State();
  d.quantize = quantize;
  // Check the size before libjpeg allocates anything for it.
  CheckBitmapSize(d.info.image_width, d.info.image_height, quantize ? 8 : 24);
  decompressor.Run(StartStep);

  const auto width = static_cast<int>(d.info.output_width);
  const auto height = static_cast<int>(d.info.output_height);
  target.SetPixelFormat(quantize ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
  if (quantize) {
    std::vector<TPaletteEntry> palette(static_cast<std::size_t>(d.info.actual_number_of_colors));
    const bool grey = d.info.out_color_components == 1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
      palette[i].peRed = d.info.colormap[0][i];
      palette[i].peGreen = d.info.colormap[grey ? 0 : 1][i];
      palette[i].peBlue = d.info.colormap[grey ? 0 : 2][i];
    }
    target.SetPalette(std::move(palette));
  }
  target.SetSize(width, height);
  std::vector<JSAMPROW> rows(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) rows[static_cast<std::size_t>(y)] = target.ScanLine(y);
  d.rows = rows.data();
  decompressor.Run(ReadStep);
  decompressor.Run(FinishStep);
}

}  // namespace

void DecodeJpeg(const std::uint8_t* data, std::size_t size, bool quantize, TBitmap& dest) {
  Decompressor decompressor(data, size);
  decompressor.Open();
  if (dest.Width() != 0 || dest.Height() != 0) {
    // A picture in dest must survive a failure: decode aside, then copy.
    TBitmap decoded;
    DecodeInto(decompressor, quantize, decoded);
    dest.Assign(decoded);
    return;
  }
  // An empty dest (a fresh bitmap, as loading uses) takes the pixels directly, saving a copy of the
  // whole picture; a failure puts back its empty state.
  const TPixelFormat format = dest.PixelFormat();
  const std::vector<TPaletteEntry> palette = dest.Palette();
  try {
    DecodeInto(decompressor, quantize, dest);
  } catch (...) {
    dest.SetSize(0, 0);
    dest.SetPixelFormat(format);
    dest.SetPalette(palette);
    throw;
  }
}

}  // namespace ombrisk
