#include "imaging/component/TImager.h"

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/proc/TImagerProc.h"

TImager::TImager() {
  IO();
  Proc();
}

void TImager::LoadFromFile(const std::string& path) {
  IO()->LoadFromFile(path);
}

void TImager::SaveToFile(const std::string& path) {
  IO()->SaveToFile(path);
}

TIOParamsVals& TImager::Params() {
  return IO()->Params();
}

void TImager::Resample(int newWidth, int newHeight, TResampleFilter filter) {
  Proc()->Resample(newWidth, newHeight, filter);
}

void TImager::SaveJpegFile(const std::string& path) {
  IO()->SaveJpegFile(path);
}

void TImager::Assign(TImager& source) {
  IO()->AssignParams(*source.IO());
  GetImgBitmap()->Assign(source.GetImgBitmap());
  SetResolution(source.DpiX(), source.DpiY());
  Update();
}

void TImager::Assign(TImagerIO& source) {
  IO()->AssignParams(source);
  if (source.Bitmap() != nullptr)
    GetImgBitmap()->Assign(source.Bitmap());
  Update();
}

bool TImager::AutoUndo() {
  return Proc()->AutoUndo();
}

void TImager::SetAutoUndo(bool value) {
  Proc()->SetAutoUndo(value);
}

bool TImager::StreamHeaders() {
  return IO()->StreamHeaders();
}

void TImager::SetStreamHeaders(bool value) {
  IO()->SetStreamHeaders(value);
}
