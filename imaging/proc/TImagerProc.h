#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/ImgTypes.h"
#include "platform/PlatformBitmap.h"

class TImgBitmap;
class TImgMask;
class TImgView;
class TMemoryStream;

/// The processing object: works on one image (its own, or an attached view's) and offers the
/// geometric and tonal operations, each in a common frame of format check, undo copy, region
/// and view refresh. Every operation lives in a file of its own under imaging/proc/.
class TImagerProc {
 public:
  TImagerProc();
  virtual ~TImagerProc();
  TImagerProc(const TImagerProc&) = delete;
  TImagerProc& operator=(const TImagerProc&) = delete;

  // Properties.
  bool AutoUndo() const { return autoUndo_; }
  void SetAutoUndo(bool value) { autoUndo_ = value; }
  TImgView* AttachedImager() const { return attachedImager_; }
  void SetAttachedImager(TImgView* view);
  TPlatformBitmap* AttachedTImage() const { return attachedTImage_; }
  void SetAttachedTImage(TPlatformBitmap* bitmap);
  TColor Background() const;
  void SetBackground(TColor color);
  int UndoLimit() const { return undoLimit_; }
  void SetUndoLimit(int value);
  TImgBitmapLocation UndoLocation() const { return undoLocation_; }
  void SetUndoLocation(TImgBitmapLocation location) { undoLocation_ = location; }
  /// Threads an operation may keep busy at once, the calling one included (at least 1).
  int ThreadBudget() const { return threadBudget_; }
  void SetThreadBudget(int threads) { threadBudget_ = threads < 1 ? 1 : threads; }
  TImgProgressEvent OnProgress;

  /// The image every operation reads and replaces.
  TImgBitmap* CurrentImage() const { return currentImage_; }

  // The frame.
  bool BeginOperation(TImgFormatSet allowedFormats);
  void SaveUndoCaption(const std::string& caption, int kind);
  struct Region {
    TImgBitmap* bitmap = nullptr;        ///< the bitmap to work on (current image or a copy)
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  ///< x2 and y2 exclusive
    TImgMask* mask = nullptr;
    std::unique_ptr<TImgBitmap> copy;  ///< owns the bitmap when it is a selection copy
    int originX = 0, originY = 0;      ///< where the copy came from in the current image
  };
  /// Runs the frame's first four steps; false when the operation must do nothing.
  bool PrepareRegion(TImgFormatSet allowedFormats, const std::string& caption, Region& region);
  void FinishRegion(Region& region);
  void UpdateView();
  /// False with the full rectangle and no mask when there is no selection.
  bool GetRegion(int& x1, int& y1, int& x2, int& y2, TImgMask*& mask);

  // Undo and redo.
  virtual void PushUndo(int kind);
  virtual void RestoreUndo();
  virtual void RestoreUndo(int age);
  virtual void PushRedo(int kind);
  virtual void DropLastRedo();
  virtual void RestoreRedo();
  virtual void RestoreRedo(int age);
  int UndoCount() const { return static_cast<int>(undo_.size()); }
  int RedoCount() const { return static_cast<int>(redo_.size()); }
  const std::string& UndoCaption(int index) const {
    return undo_[static_cast<std::size_t>(index)].caption;
  }
  const std::string& RedoCaption(int index) const {
    return redo_[static_cast<std::size_t>(index)].caption;
  }
  /// The saved image of an undo entry, or null for a view-state entry.
  TImgBitmap* UndoImage(int index) const {
    return undo_[static_cast<std::size_t>(index)].image.get();
  }

  // Operations (each in its own file).
  void Resample(int newWidth, int newHeight, TResampleFilter filter);
  void ResampleTo(TImgBitmap* target, int newWidth, int newHeight, TResampleFilter filter);
  void HistAutoEqualize();
  void Blur(double radius);
  void WallisFilter(int WindowWidthPercent, int WindowHeightPercent, int TargetMean,
                    int TargetDeviation, int Gain, int MeanWeight, int DeviationLimit,
                    bool Threshold);
  void Negative();
  void ConvertToBWOrdered();

  /// Reports progress when a handler is assigned.
  void Progress(int percent) {
    if (OnProgress)
      OnProgress(this, percent);
  }

 private:
  struct Entry {
    // A block taken over from the wrapped platform bitmap, shown by image; declared first so
    // that it outlives the container that points into it.
    TPixelBlock takenPixels;
    std::unique_ptr<TImgBitmap> image;
    std::unique_ptr<TMemoryStream> state;
    std::string caption;
  };
  void Push(std::vector<Entry>& list, int kind);
  void Append(std::vector<Entry>& list, Entry entry);
  /// The platform bitmap whose pixels can move into an undo entry unchanged, or null: the
  /// outside 24-bit bitmap behind a current image without alpha (a wrapped one or the view's),
  /// whose rows an in-memory container shows as they are.
  TPlatformBitmap* TakeOverSource();
  /// Pushes an undo entry that takes over the pixels of TakeOverSource's bitmap; the current
  /// image is left empty, to be replaced by the caller.
  void PushTakenOverUndo(TPlatformBitmap& source, const std::string& caption);
  /// The resampling itself, without the undo step; the caller has run BeginOperation.
  void ResampleInto(TImgBitmap* target, int newWidth, int newHeight, TResampleFilter filter);
  void Restore(std::vector<Entry>& list, int age);
  /// Removes the registrations with the view and forgets it; the image stays as it is.
  void DetachFromView();
  /// Makes a new empty image of our own the current image.
  void SetOwnedImage();
  /// Takes the view's image object, or wraps its platform bitmap in an image of our own.
  void AdoptViewImage();
  void OnViewFreed();
  /// Copies the selected pixels of a region copy back into the current image.
  void MergeThroughMask(TImgBitmap& copy, const TImgMask& mask, int left, int top);

  bool autoUndo_ = true;
  TImgView* attachedImager_ = nullptr;
  int changeRegistration_ = -1;
  int freeRegistration_ = -1;
  TColor background_ = 0;
  TPlatformBitmap* attachedTImage_ = nullptr;
  TImgBitmap* currentImage_ = nullptr;
  std::unique_ptr<TImgBitmap> ownedImage_;
  std::vector<Entry> undo_;
  TImgBitmapLocation undoLocation_ = locOnDisk;
  int undoLimit_ = 1;
  int threadBudget_ = 1;
  std::vector<Entry> redo_;
  TPlatformBitmap* wrappedBitmap_ = nullptr;
  // Counts appended entries, so that a caption lands only on an entry that was just made.
  std::uint64_t pushSerial_ = 0;
};
