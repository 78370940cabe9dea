#include "synthesis/shaped_sound.h"

namespace ombrisk {

double AsDrawnSeconds(const TBitmap&) { return 0; }
TFrequencyBand AsDrawnBand(const TBitmap&, bool) { return {0, 0}; }
void CheckShapedSound(const TBitmap&, const TSynthesisSettings&, const TShapedSound&) {}
void RunSmoothSynthesis(const TBitmap&, const TSynthesisSettings&, const TShapedSound&, const std::string&,
                        TProgressSink&) {
  throw EShapedSoundError("the smooth synthesis is not built yet");
}

}  // namespace ombrisk
