#pragma once

class TImgBitmap;
class TImgMask;

/// Turns an image stored in orientation 2 to 8 (the TIFF and EXIF codes) upright: 2 mirrored
/// left-right, 3 turned half round, 4 mirrored top-bottom, 5 transposed, 6 turned a quarter
/// clockwise, 7 transposed the other way, 8 turned a quarter counterclockwise. The mask, when
/// given, is turned with it. Orientation 1 and unknown values change nothing.
void TurnUpright(TImgBitmap& bitmap, int orientation, TImgMask* mask);

/// True for the orientations whose upright image has width and height exchanged.
constexpr bool OrientationSwapsSides(int orientation) {
  return orientation >= 5 && orientation <= 8;
}
