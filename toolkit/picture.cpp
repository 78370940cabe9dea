#include "toolkit/picture.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "toolkit/exception.h"
#include "toolkit/little_endian.h"
#include "toolkit/message_format.h"
#include "toolkit/size_limits.h"

namespace ombrisk {

namespace {

constexpr const char* kSAllFilter = "すべてのファイル";

std::string LowerCase(std::string text) {
  // ASCII only: an extension in another script keeps its bytes, so UTF-8 text stays intact.
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::vector<TFileFormat>& Registry() {
  static std::vector<TFileFormat> formats{
      {"wmf", "メタファイル", &MetafileClass()},
      {"emf", "エンハンス メタファイル", &MetafileClass()},
      {"ico", "アイコン", &IconClass()},
      {"bmp", "ビットマップ", &BitmapClass()},
  };
  return formats;
}

std::uint32_t ReadU16(const std::vector<std::uint8_t>& b, std::size_t at) { return ReadLittle16(b.data() + at); }

std::int32_t ReadS16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::int16_t>(ReadU16(b, at));
}

std::uint32_t ReadU32(const std::vector<std::uint8_t>& b, std::size_t at) { return ReadLittle32(b.data() + at); }

std::int64_t ReadS32(const std::vector<std::uint8_t>& b, std::size_t at) { return static_cast<std::int32_t>(ReadU32(b, at)); }

// A size from a header, or 0 when it is negative or beyond any bitmap.
int SaneSide(std::int64_t side) { return side > 0 && side <= kMaxBitmapSide ? static_cast<int>(side) : 0; }

}  // namespace

bool TGraphicClass::InheritsFrom(const TGraphicClass& base) const {
  for (const TGraphicClass* kind = this; kind != nullptr; kind = kind->Parent) {
    if (kind == &base) return true;
  }
  return false;
}

const TGraphicClass& GraphicClass() {
  static const TGraphicClass kind{"TGraphic", nullptr, nullptr};
  return kind;
}

const TGraphicClass& BitmapClass() {
  static const TGraphicClass kind{"TBitmap", &GraphicClass(), [] { return std::make_unique<TBitmap>(); }};
  return kind;
}

const TGraphicClass& IconClass() {
  static const TGraphicClass kind{"TIcon", &GraphicClass(), [] { return std::make_unique<TIcon>(); }};
  return kind;
}

const TGraphicClass& MetafileClass() {
  static const TGraphicClass kind{"TMetafile", &GraphicClass(), [] { return std::make_unique<TMetafile>(); }};
  return kind;
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const TGraphicClass& kind) {
  Registry().push_back({LowerCase(extension), description, &kind});
}

void TPicture::UnregisterGraphicClass(const TGraphicClass& kind) {
  std::vector<TFileFormat>& formats = Registry();
  std::erase_if(formats, [&](const TFileFormat& f) { return f.Kind->InheritsFrom(kind); });
}

const TGraphicClass* TPicture::FindExt(const std::string& extension) {
  const std::string wanted = LowerCase(extension);
  const std::vector<TFileFormat>& formats = Registry();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it) {
    if (it->Extension == wanted) return it->Kind;
  }
  return nullptr;
}

std::string TPicture::BuildFilterStrings(const TGraphicClass& base) {
  std::string descriptions;
  std::string patterns;
  int count = 0;
  const std::vector<TFileFormat>& formats = Registry();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it) {
    if (it->Extension.empty() || !it->Kind->InheritsFrom(base)) continue;
    if (!descriptions.empty()) descriptions += '|';
    descriptions += it->Description + " (*." + it->Extension + ")|*." + it->Extension;
    if (!patterns.empty()) patterns += ';';
    patterns += "*." + it->Extension;
    ++count;
  }
  if (count > 1) return std::string(kSAllFilter) + " (" + patterns + ")|" + patterns + "|" + descriptions;
  return descriptions;
}

std::vector<TFileFormat> TPicture::FileFormats() { return Registry(); }

void TPicture::LoadFromFile(const std::string& fileName) {
  const std::string extension = FileExtension(fileName);
  const TGraphicClass* kind = FindExt(extension);
  if (kind == nullptr || !kind->Create) throw EInvalidGraphic(FormatMessage(kSUnknownExtension, {extension}));
  std::unique_ptr<TGraphic> graphic = kind->Create();
  graphic->LoadFromFile(fileName);
  m_graphic = std::move(graphic);
}

TBitmap& TPicture::Bitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(m_graphic.get())) return *bitmap;
  auto bitmap = std::make_unique<TBitmap>();
  TBitmap& result = *bitmap;
  m_graphic = std::move(bitmap);
  return result;
}

int TPicture::Width() const { return m_graphic ? m_graphic->Width() : 0; }
int TPicture::Height() const { return m_graphic ? m_graphic->Height() : 0; }

std::string FileExtension(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || dot < start) return "";
  return fileName.substr(dot + 1);
}

std::vector<std::uint8_t> ReadRemainingBytes(TStream& stream) {
  // The stream's own count sizes the buffer, so a file is read in one go with nothing spare to
  // clear. The count is only a hint (and capped, as it may be wrong): once the buffer is full, a
  // small read tells whether more follows before any room is made for it, and the room then grows
  // geometrically, each read taking what is left of it.
  constexpr std::int64_t kMaxHintBytes = 64 << 20;
  constexpr std::size_t kChunkBytes = 1 << 20;
  const std::int64_t claimed = stream.Size() - stream.Position();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::clamp<std::int64_t>(claimed, 0, kMaxHintBytes)));
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      std::uint8_t probe[4096];
      const std::size_t n = stream.Read(probe, sizeof probe);
      if (n == 0) break;
      bytes.resize(std::max(2 * bytes.size(), used + kChunkBytes));
      std::memcpy(bytes.data() + used, probe, n);
      used += n;
      continue;
    }
    const std::size_t n = stream.Read(bytes.data() + used, bytes.size() - used);
    if (n == 0) break;
    used += n;
  }
  bytes.resize(used);
  bytes.shrink_to_fit();
  return bytes;
}

void TRawGraphic::LoadFromStream(TStream& stream) {
  std::vector<std::uint8_t> bytes = ReadRemainingBytes(stream);
  int width = 0;
  int height = 0;
  ReadSize(bytes, width, height);
  m_bytes = std::move(bytes);
  m_width = width;
  m_height = height;
  Changed();
}

void TRawGraphic::SaveToStream(TStream& stream) { stream.WriteBuffer(m_bytes.data(), m_bytes.size()); }

void TIcon::ReadSize(const std::vector<std::uint8_t>& bytes, int& width, int& height) const {
  // Directory: reserved 0, type 1, image count, then 16-byte entries whose first two bytes are the
  // width and height (0 meaning 256).
  if (bytes.size() < 22 || ReadU16(bytes, 0) != 0 || ReadU16(bytes, 2) != 1 || ReadU16(bytes, 4) == 0) return;
  width = bytes[6] == 0 ? 256 : bytes[6];
  height = bytes[7] == 0 ? 256 : bytes[7];
}

void TMetafile::ReadSize(const std::vector<std::uint8_t>& bytes, int& width, int& height) const {
  constexpr std::uint32_t kEnhancedSignature = 0x464D4520;  // " EMF"
  constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
  if (bytes.size() >= 44 && ReadU32(bytes, 0) == 1 && ReadU32(bytes, 40) == kEnhancedSignature) {
    // Enhanced metafile: the header record (type 1) starts with the inclusive bounds in device units.
    width = SaneSide(ReadS32(bytes, 16) - ReadS32(bytes, 8) + 1);
    height = SaneSide(ReadS32(bytes, 20) - ReadS32(bytes, 12) + 1);
  } else if (bytes.size() >= 22 && ReadU32(bytes, 0) == kPlaceableKey) {
    // Placeable metafile: the bounding box in logical units and the units per inch.
    const std::int64_t inch = ReadU16(bytes, 14);
    if (inch == 0) return;
    width = SaneSide((ReadS16(bytes, 10) - ReadS16(bytes, 6)) * std::int64_t{96} / inch);
    height = SaneSide((ReadS16(bytes, 12) - ReadS16(bytes, 8)) * std::int64_t{96} / inch);
  }
}

}  // namespace ombrisk
