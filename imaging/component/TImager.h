#pragma once

#include <string>

#include "imaging/component/TImagerView.h"

class TIOParamsVals;

/// The imaging component: one current image with its I/O and processing objects, both created
/// with the component, and forwarders to the operations the batch conversion uses.
class TImager : public TImagerView {
 public:
  TImager();

  virtual void LoadFromFile(const std::string& path);
  virtual void SaveToFile(const std::string& path);
  TIOParamsVals& Params();
  /// -1 for one side keeps the aspect ratio.
  void Resample(int newWidth, int newHeight, TResampleFilter filter);
  void SaveJpegFile(const std::string& path);

  /// Copies the other component's I/O parameters and image.
  void Assign(TImager& source);
  /// Copies the I/O object's parameters and image.
  void Assign(TImagerIO& source);

  bool AutoUndo();
  void SetAutoUndo(bool value);
  bool StreamHeaders();
  void SetStreamHeaders(bool value);
};
