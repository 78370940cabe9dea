#include "figure/figure_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <vector>

#include "figure/colour_maps.h"

namespace ombrisk {

namespace {

struct TLibraryDeleter {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct TFaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};

// Code points of UTF-8 text; a malformed sequence gives U+FFFD and resumes at the next byte.
std::vector<char32_t> CodePoints(const std::string& text) {
  std::vector<char32_t> out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    char32_t code = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
    bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (valid) {
      out.push_back(code);
      i += static_cast<std::size_t>(extra) + 1;
    } else {
      out.push_back(U'\uFFFD');
      ++i;
    }
  }
  return out;
}

}  // namespace

struct TFigureFont::TImpl {
  std::unique_ptr<FT_LibraryRec_, TLibraryDeleter> Library;
  // The font first, then the fallbacks that could be loaded.
  std::vector<std::unique_ptr<FT_FaceRec_, TFaceDeleter>> Faces;
  int Ascent = 0;
  int Descent = 0;

  // The glyph of code in its face's slot (its coverage too when render is set), or nothing when
  // no face can load it; a character no face has is the first face's missing-glyph box.
  FT_GlyphSlot Load(char32_t code, bool render) const {
    FT_Face face = Faces.front().get();
    for (const auto& candidate : Faces) {
      if (FT_Get_Char_Index(candidate.get(), code) != 0) {
        face = candidate.get();
        break;
      }
    }
    const FT_Int32 flags = (render ? FT_LOAD_RENDER : FT_LOAD_DEFAULT) | FT_LOAD_TARGET_NORMAL;
    return FT_Load_Char(face, code, flags) == 0 ? face->glyph : nullptr;
  }
};

TFigureFont::TFigureFont(const std::string& path, int pixelSize, const std::vector<std::string>& fallbacks)
    : m_impl(std::make_unique<TImpl>()) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) throw EFigureError("FreeType cannot start");
  m_impl->Library.reset(library);
  using TFace = std::unique_ptr<FT_FaceRec_, TFaceDeleter>;
  // The face of file at the size, or none.
  const auto open = [&](const std::string& file) {
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.c_str(), 0, &face) != 0) return TFace();
    TFace owned(face);
    return FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) == 0 ? std::move(owned) : TFace();
  };
  TFace first = open(path);
  if (!first) {
    throw EFigureError("cannot load the font '" + path + "' at " + std::to_string(pixelSize) +
                       " pixels for the figure's labels (fonts-dejavu-core provides it)");
  }
  m_impl->Faces.push_back(std::move(first));
  for (const std::string& file : fallbacks) {
    if (TFace fallback = open(file)) m_impl->Faces.push_back(std::move(fallback));
  }
  const FT_Face face = m_impl->Faces.front().get();
  // 26.6 fixed point, rounded outwards.
  m_impl->Ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
  m_impl->Descent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
}

TFigureFont::~TFigureFont() = default;

int TFigureFont::Ascent() const { return m_impl->Ascent; }
int TFigureFont::Descent() const { return m_impl->Descent; }

int TFigureFont::TextWidth(const std::string& text) const {
  long width = 0;
  for (const char32_t code : CodePoints(text)) {
    if (const FT_GlyphSlot slot = m_impl->Load(code, false)) width += slot->advance.x;
  }
  return static_cast<int>((width + 63) >> 6);
}

void TFigureFont::Draw(TPixelBitmap& picture, int x, int baseline, const std::string& text, const TRGB& colour) const {
  long pen = static_cast<long>(x) << 6;
  for (const char32_t code : CodePoints(text)) {
    const FT_GlyphSlot slot = m_impl->Load(code, true);
    if (slot == nullptr) continue;
    const FT_Bitmap& glyph = slot->bitmap;
    const long left = (pen >> 6) + slot->bitmap_left;
    const long top = baseline - slot->bitmap_top;
    for (unsigned row = 0; row < glyph.rows; ++row) {
      const long y = top + static_cast<long>(row);
      if (y < 0 || y >= picture.Height()) continue;
      std::uint8_t* line = picture.ScanLine(static_cast<int>(y));
      const unsigned char* coverage = glyph.buffer + static_cast<std::ptrdiff_t>(row) * glyph.pitch;
      for (unsigned column = 0; column < glyph.width; ++column) {
        const long px = left + static_cast<long>(column);
        const int alpha = coverage[column];
        if (px < 0 || px >= picture.Width() || alpha == 0) continue;
        std::uint8_t* pixel = line + px * 4;
        const auto blend = [alpha](std::uint8_t under, std::uint8_t over) {
          return static_cast<std::uint8_t>((under * (255 - alpha) + over * alpha + 127) / 255);
        };
        pixel[0] = blend(pixel[0], colour.Blue);
        pixel[1] = blend(pixel[1], colour.Green);
        pixel[2] = blend(pixel[2], colour.Red);
      }
    }
    pen += slot->advance.x;
  }
}

}  // namespace ombrisk
