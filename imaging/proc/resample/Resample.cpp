#include <cstring>
#include <string>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/TImagerProc.h"
#include "imaging/proc/resample/AreaResampler.h"
#include "imaging/proc/resample/BitResampler.h"
#include "imaging/proc/resample/ContributionResampler.h"
#include "imaging/proc/resample/FastLinearResampler.h"
#include "imaging/proc/resample/NearestResampler.h"
#include "imaging/proc/resample/ResampleSize.h"

namespace {

bool IsContributionFilter(TResampleFilter filter) {
  return filter >= rfTriangle && filter <= rfLinear;
}

// Fully transparent pixels take a neutral gray, so that their colour cannot bleed into the
// visible neighbours they are averaged with.
void PreFillTransparent(TImgBitmap& image) {
  TImgBitmap* alpha = image.AlphaChannel();
  const int width = image.Width();
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* coverage = alpha->RowPtr(y);
    std::uint8_t* pixels = image.RowPtr(y);
    for (int x = 0; x < width; ++x) {
      if (coverage[x] == 0)
        std::memset(pixels + 3 * x, 128, 3);
    }
  }
}

void ResampleColour(TImgBitmap& source, TImgBitmap& target, TResampleFilter filter,
                    const ResampleProgress& progress) {
  const TImgBitmapFormat format = source.PixelFormat();
  // The kernel filters write nothing for a source below 2 x 2 pixels; black beats leftovers.
  if (IsContributionFilter(filter) && source.Width() < 2 && source.Height() < 2)
    target.FillAll(0);
  if (filter == rfNone) {
    NearestResample(source, target, progress);
  } else if (format == pfBGR24) {
    if (IsContributionFilter(filter)) {
      ContributionResample(source, target, filter, ContributionLayout::kBgr24, progress);
    } else if (filter == rfFastLinear) {
      FastLinearResample(source, target, 3, progress);
    } else {
      AreaResample(source, target, filter == rfBicubic, progress);
    }
  } else if (format == pfBit1) {
    if (IsContributionFilter(filter)) {
      ContributionResample(source, target, filter, ContributionLayout::kBitToGray24, progress);
    } else {
      BitInterpolateResample(source, target);
    }
  }
}

void ResampleAlpha(TImgBitmap& source, TImgBitmap& target, TResampleFilter filter) {
  TImgBitmap* sourceAlpha = source.AlphaChannel();
  TImgBitmap* targetAlpha = target.AlphaChannel();
  if (filter == rfNone) {
    NearestResample(*sourceAlpha, *targetAlpha, ResampleProgress());
  } else if (IsContributionFilter(filter)) {
    ContributionResample(*sourceAlpha, *targetAlpha, filter, ContributionLayout::kGray8,
                         ResampleProgress());
  } else {
    FastLinearResample(*sourceAlpha, *targetAlpha, 1, ResampleProgress());
  }
  targetAlpha->SetIsFull(sourceAlpha->IsFull());
}

}  // namespace

namespace {

std::string ResampleCaption(int newWidth, int newHeight) {
  return "Resample " + std::to_string(newWidth) + "," + std::to_string(newHeight);
}

}  // namespace

void TImagerProc::ResampleTo(TImgBitmap* target, int newWidth, int newHeight,
                             TResampleFilter filter) {
  if (target == nullptr || !BeginOperation(TImgFormatSet()))
    return;
  TImgBitmap& source = *CurrentImage();
  if (source.Width() == 0 || source.Height() == 0)
    return;
  if (AutoUndo())
    SaveUndoCaption(ResampleCaption(newWidth, newHeight), 1);
  ResampleInto(target, newWidth, newHeight, filter);
}

void TImagerProc::ResampleInto(TImgBitmap* target, int newWidth, int newHeight,
                               TResampleFilter filter) {
  TImgBitmap& source = *CurrentImage();
  const std::optional<ResampleSize> size =
      ComputeResampleSize(source.Width(), source.Height(), newWidth, newHeight);
  if (!size)
    return;

  const TImgBitmapFormat format = source.PixelFormat();
  const bool handled = filter == rfNone || format == pfBGR24 || format == pfBit1;
  target->Allocate(size->width, size->height,
                   format == pfBit1 && filter != rfNone ? pfBGR24 : format);
  if (format == pfPalette8 && target->Palette() != nullptr && source.Palette() != nullptr)
    std::memcpy(target->Palette(), source.Palette(), 1024);
  // A filter that cannot read this format still leaves a defined, black image.
  if (!handled)
    target->FillAll(0);
  if (format == pfBGR24 && source.HasAlphaChannel())
    PreFillTransparent(source);

  const ResampleProgress progress = [this](int percent) { Progress(percent); };
  if (handled)
    ResampleColour(source, *target, filter, OnProgress ? progress : ResampleProgress());
  if (source.HasAlphaChannel())
    ResampleAlpha(source, *target, filter);
}

void TImagerProc::Resample(int newWidth, int newHeight, TResampleFilter filter) {
  TImgBitmap* image = CurrentImage();
  if (image == nullptr || image->Width() == 0 || image->Height() == 0)
    return;
  TImgBitmap target;
  // The image is replaced anyway, so its undo entry can keep the old pixels instead of a copy
  // of them; that entry is made after the resampling, which still reads them.
  TPlatformBitmap* takeOver = AutoUndo() ? TakeOverSource() : nullptr;
  if (takeOver != nullptr) {
    ResampleInto(&target, newWidth, newHeight, filter);
  } else {
    ResampleTo(&target, newWidth, newHeight, filter);
  }
  // Two negative sizes ask for nothing: the image stays as it was.
  const bool replaces =
      !(newWidth < 0 && newHeight < 0) && target.Width() != 0 && target.Height() != 0;
  if (takeOver != nullptr) {
    if (replaces) {
      PushTakenOverUndo(*takeOver, ResampleCaption(newWidth, newHeight));
    } else {
      SaveUndoCaption(ResampleCaption(newWidth, newHeight), 1);
    }
  }
  if (!replaces)
    return;
  image->Assign(&target);
  UpdateView();
}
