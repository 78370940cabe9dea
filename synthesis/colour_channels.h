// The colours a stereo synthesis reads: a picture's red or its green as a grey picture the column
// reader takes (24 bits, the channel's value in all three bytes).
//
//   TBitmap channel;
//   ChannelPicture(colourPicture, TColourChannel::Red, channel);   // any pixel format
//   ChannelPicture(colourPicture, TColourChannel::Green, channel); // the same bitmap again: no new memory
#pragma once

#include "toolkit/bitmap.h"

namespace ombrisk {

enum class TColourChannel { Red, Green };

void ChannelPicture(const TBitmap& colours, TColourChannel channel, TBitmap& out);

}  // namespace ombrisk
