// An editable spectrogram's PNG file into a wave file: its parameters from its "Comment" text or
// from the caller, the picture checked against them, the sound reconstructed and written whole or
// not at all. Shared by "ombrisk-cli resynth" and the desktop program's third sound choice.
//
//   const TEditableParameters p = EditableParametersOf(png, path, overrides);   // throws
//   ResynthesizeFile(imagePath, overrides, settings, wavePath);
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "picture/png/png_read_grey16.h"
#include "signal/editable_parameters.h"
#include "synthesis/phase_reconstruction.h"
#include "toolkit/exception.h"

namespace ombrisk {

// The picture lacks parameters nobody gave; Missing holds their option names ("--rate", ...).
class EEditableMissingError : public Exception {
public:
  EEditableMissingError(const std::string& message, std::vector<std::string> missing)
      : Exception(message), Missing(std::move(missing)) {}
  std::vector<std::string> Missing;
};

// Values that replace the stored ones, or stand in for them where an editor lost them.
struct TEditableOverrides {
  std::optional<std::int32_t> RateHz, Size, Hop;
  std::optional<double> RangeDb;
};

// Raises EEditableMissingError, or Exception naming the file for a picture that is not 16-bit grey,
// whose height does not fit the size, whose window is not hann or whose values are out of range.
// The length is the stored one when it fits the width, else the one the columns stand for.
TEditableParameters EditableParametersOf(const TGrey16Png& png, const std::string& path,
                                         const TEditableOverrides& overrides);

// Whether the file is a PNG that carries every parameter and fits them (no exception).
bool CarriesEditableParameters(const std::string& path);

// Reads, checks, reconstructs and writes; the wave file is replaced only when complete.
void ResynthesizeFile(const std::string& imagePath, const TEditableOverrides& overrides,
                      const TReconstructionSettings& settings, const std::string& wavePath);

}  // namespace ombrisk
