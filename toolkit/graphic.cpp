#include "toolkit/graphic.h"

#include "toolkit/bitmap.h"
#include "toolkit/exception.h"
#include "toolkit/file_stream.h"
#include "toolkit/message_format.h"
#include "toolkit/safe_file_stream.h"

namespace ombrisk {

void TGraphic::SaveToStream(TStream&) {
  throw EInvalidGraphicOperation(FormatMessage(kSAssignError, {ClassName(), "TStream"}));
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, TFileMode::fmOpenRead);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  // Written beside the target and moved over it when complete: a failed save leaves the old file.
  TSafeFileStream stream(fileName);
  SaveToStream(stream);
  stream.Commit();
}

void TGraphic::AssignTo(TBitmap& dest) const {
  throw EConvertError(FormatMessage(kSAssignError, {ClassName(), dest.ClassName()}));
}

void TGraphic::SetTransparent(bool value) {
  if (value == m_transparent) return;
  m_transparent = value;
  Changed();
}

void TGraphic::Changed() {
  if (OnChange) OnChange(*this);
}

}  // namespace ombrisk
