// The flips and the quarter turn that prepare a picture for the synthesis, one whole picture at a
// time: the slow reference for TColumnReader, which reads the flipped, turned columns straight from
// the picture.
//
//   MirrorHorizontal(work, work);       // in place: a snapshot is taken first
//   RotateClockwise(work, columns);     // columns is H wide, W tall; its row x is column x of work
//
// Colours are carried as packed colours; between two 32-bit bitmaps the pixels are copied through
// scan lines, which gives the same colours far faster. Every destination pixel is written once.
#pragma once

#include "toolkit/bitmap.h"

namespace ombrisk {

// Destination pixel (W − 1 − x, y) takes the source's (x, y). source and dest may be one bitmap;
// a distinct dest must already have the source's size.
void MirrorHorizontal(const TBitmap& source, TBitmap& dest);
// Destination pixel (x, H − 1 − y) takes the source's (x, y); same rules as MirrorHorizontal.
void MirrorVertical(const TBitmap& source, TBitmap& dest);
// dest becomes H wide and W tall; its pixel (H − 1 − y, x) takes the source's (x, y): the source's
// bottom-left pixel lands top-left. Passing one bitmap as both works on a snapshot of it.
void RotateClockwise(const TBitmap& source, TBitmap& dest);

}  // namespace ombrisk
