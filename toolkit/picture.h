// TPicture, the picture container, and the picture format registry through which files are loaded
// by extension and the open dialog's filter is built.
//
//   TPicture::RegisterFileFormat("PNG", "PNG Format", TPngGraphic::Class());
//   TPicture picture; picture.LoadFromFile(path); bitmap.Assign(*picture.Graphic());
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/graphic.h"

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
  // Removes every entry of that kind.
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

}  // namespace ombrisk
