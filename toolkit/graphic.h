// TGraphic: the base of every picture kind (bitmap, JPEG, PNG, icon, metafile). A kind loads itself
// from a byte stream, reports its size and copies itself into a TBitmap.
//
//   std::unique_ptr<TGraphic> g = ...; g->LoadFromFile(path); bitmap.Assign(*g);
//
// Colours are TColor values: red + 256 × green + 65536 × blue; 0x01000000 + i names palette index i;
// kClNone (-1) means none.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/stream.h"

namespace ombrisk {

using TColor = std::int32_t;
inline constexpr TColor kClNone = -1;

enum class TProgressStage { psStarting, psRunning, psEnding };

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

class TGraphic;
class TBitmap;

using TNotifyEvent = std::function<void(TGraphic& sender)>;
using TProgressEvent = std::function<void(TGraphic& sender, TProgressStage stage, std::uint8_t percentDone,
                                          bool redrawNow, const TRect& rect, const std::string& message)>;

class TGraphic {
public:
  TGraphic() = default;
  virtual ~TGraphic() = default;
  TGraphic(const TGraphic&) = default;
  TGraphic& operator=(const TGraphic&) = default;

  // The kind's class name, as the assignment error quotes it ("TBitmap", "TIcon", ...).
  virtual std::string ClassName() const = 0;

  virtual void LoadFromStream(TStream& stream) = 0;
  // Kinds that cannot write raise EInvalidGraphicOperation.
  virtual void SaveToStream(TStream& stream);
  // Opens the file for reading (others may read, not write) and loads it from its start.
  void LoadFromFile(const std::string& fileName);
  // Creates or truncates the file and saves into it.
  void SaveToFile(const std::string& fileName);

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }

  // Copies this picture into dest. The default raises EConvertError with
  // "%s を %s に代入することはできません" filled with this kind's and dest's class names.
  virtual void AssignTo(TBitmap& dest) const;

  bool Transparent() const { return m_transparent; }
  virtual void SetTransparent(bool value);

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

protected:
  // Signals OnChange with this graphic as sender.
  void Changed();

private:
  bool m_transparent = false;
};

}  // namespace ombrisk
