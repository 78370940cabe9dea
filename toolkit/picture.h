// TPicture, the picture container, and the picture format registry through which files are loaded
// by extension and the open dialog's filter is built. Also the two kinds that load but never copy
// into a bitmap: TIcon and TMetafile.
//
//   TPicture::RegisterFileFormat("PNG", "PNG Format", TPngGraphic::Class());
//   TPicture picture; picture.LoadFromFile(path); bitmap.Assign(*picture.Graphic());
//
// The registry is created with its four built-in entries (wmf, emf, ico, bmp) when first needed;
// start-up appends the others. One thread uses it; it takes no lock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/graphic.h"
#include "toolkit/stream.h"

namespace ombrisk {

// A picture kind: its class name, its base kind (nullptr only for TGraphic) and how to make one.
struct TGraphicClass {
  std::string Name;
  const TGraphicClass* Parent = nullptr;
  std::function<std::unique_ptr<TGraphic>()> Create;

  bool InheritsFrom(const TGraphicClass& base) const;
};

const TGraphicClass& GraphicClass();   // TGraphic, the base of all kinds
const TGraphicClass& BitmapClass();    // TBitmap
const TGraphicClass& IconClass();      // TIcon
const TGraphicClass& MetafileClass();  // TMetafile

struct TFileFormat {
  std::string Extension;  // lower case, without the dot
  std::string Description;
  const TGraphicClass* Kind = nullptr;
};

class TPicture {
public:
  // Appends an entry (the extension stored in lower case), creating the registry with its four
  // built-in entries first when it does not exist yet.
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 const TGraphicClass& kind);
  // Removes every entry of that kind or of a kind derived from it.
  static void UnregisterGraphicClass(const TGraphicClass& kind);
  // The kind for an extension (any case), searched from the last entry to the first; nullptr if none.
  static const TGraphicClass* FindExt(const std::string& extension);
  // The open dialog's filter for every entry whose kind is base or derives from it.
  static std::string BuildFilterStrings(const TGraphicClass& base);
  static std::vector<TFileFormat> FileFormats();

  // Loads by the file name's extension; on failure the previous picture is kept.
  void LoadFromFile(const std::string& fileName);
  const TGraphic* Graphic() const { return m_graphic.get(); }
  // The picture as a bitmap, replacing a picture of another kind by an empty bitmap.
  TBitmap& Bitmap();
  int Width() const;
  int Height() const;

private:
  std::unique_ptr<TGraphic> m_graphic;
};

// The text after the last dot of the name's last component, as typed; "" when there is none.
std::string FileExtension(const std::string& fileName);

// Everything from the stream's position to its end. Memory grows with the bytes actually read, so
// a stream that claims more than it holds costs nothing extra.
std::vector<std::uint8_t> ReadRemainingBytes(TStream& stream);

// A picture kind that keeps its file's bytes and reports the size its header gives (0 × 0 when
// the header says nothing sensible). Copying one into a bitmap fails with the assignment error.
class TRawGraphic : public TGraphic {
public:
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  int Width() const override { return m_width; }
  int Height() const override { return m_height; }
  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

protected:
  virtual void ReadSize(const std::vector<std::uint8_t>& bytes, int& width, int& height) const = 0;

private:
  std::vector<std::uint8_t> m_bytes;
  int m_width = 0;
  int m_height = 0;
};

// Icon files: the size is that of the directory's first image.
class TIcon : public TRawGraphic {
public:
  std::string ClassName() const override { return "TIcon"; }

protected:
  void ReadSize(const std::vector<std::uint8_t>& bytes, int& width, int& height) const override;
};

// Enhanced metafiles (size from the header's bounds) and placeable Windows metafiles (size from
// the bounding box at 96 pixels per inch).
class TMetafile : public TRawGraphic {
public:
  std::string ClassName() const override { return "TMetafile"; }

protected:
  void ReadSize(const std::vector<std::uint8_t>& bytes, int& width, int& height) const override;
};

}  // namespace ombrisk
