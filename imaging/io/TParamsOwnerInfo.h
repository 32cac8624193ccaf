#pragma once

/// What a parameter record asks of its owning I/O object when it resets: the size of the
/// current picture and the resolution of the attached view. The I/O object implements it, so
/// the record needs nothing else of the I/O object.
class TParamsOwnerInfo {
 public:
  virtual ~TParamsOwnerInfo() = default;
  /// The current picture's size; false when the owner has no current picture.
  virtual bool CurrentPictureSize(int& width, int& height) = 0;
  /// The attached view's resolution in dots per inch; false when no view is attached.
  virtual bool ViewResolution(int& dpiX, int& dpiY) = 0;
};
