#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgView.h"
#include "imaging/proc/TImagerProc.h"
#include "platform/MemoryStream.h"
#include "platform/PlatformBitmap.h"

void TImagerProc::SaveUndoCaption(const std::string& caption, int kind) {
  if (!BeginOperation(TImgFormatSet{}))
    return;
  if (currentImage_->Width() <= 0 || currentImage_->Height() <= 0)
    return;
  const std::uint64_t serialBefore = pushSerial_;
  PushUndo(kind);
  // A push that stored nothing (a view state without a view) must not rename an older entry.
  if (pushSerial_ != serialBefore && !undo_.empty())
    undo_.back().caption = caption;
}

void TImagerProc::Push(std::vector<Entry>& list, int kind) {
  Entry entry;
  if (kind == 1) {
    if (!BeginOperation(TImgFormatSet{}))
      return;
    if (currentImage_->Width() <= 0 || currentImage_->Height() <= 0)
      return;
    // The copy is made before the list is trimmed, so that running out of memory here leaves
    // both the image and the older entries as they were.
    entry.image = std::make_unique<TImgBitmap>();
    entry.image->SetMemoryThreshold(0);
    entry.image->SetLocation(undoLocation_);
    entry.image->Assign(currentImage_);
  } else if (kind == 2) {
    if (attachedImager_ == nullptr)
      return;
    entry.state = std::make_unique<TMemoryStream>();
    attachedImager_->SaveState(*entry.state);
  } else {
    return;
  }
  Append(list, std::move(entry));
}

void TImagerProc::Append(std::vector<Entry>& list, Entry entry) {
  const std::size_t limit = static_cast<std::size_t>(undoLimit_);
  while (!list.empty() && list.size() >= limit)
    list.erase(list.begin());
  list.push_back(std::move(entry));
  ++pushSerial_;
}

TPlatformBitmap* TImagerProc::TakeOverSource() {
  if (!BeginOperation(TImgFormatSet{}))
    return nullptr;
  TPlatformBitmap* bitmap = wrappedBitmap_;
  if (bitmap == nullptr && attachedImager_ != nullptr)
    bitmap = attachedImager_->GetTBitmap();
  TImgBitmap& image = *currentImage_;
  if (bitmap == nullptr || image.Location() != locPlatformBitmap || !image.ExternalTBitmap() ||
      image.PixelFormat() != pfBGR24 || image.HasAlphaChannel() || image.RowAlignBits() != 32 ||
      image.Width() <= 0 || image.Height() <= 0) {
    return nullptr;
  }
  // Only the bitmap whose rows the image shows may give its pixels away.
  const bool sameRows = bitmap->BitsPerPixel() == 24 && bitmap->Width() == image.Width() &&
                        bitmap->Height() == image.Height() &&
                        bitmap->ScanLine(0) == image.RowPtr(0);
  return sameRows ? bitmap : nullptr;
}

void TImagerProc::PushTakenOverUndo(TPlatformBitmap& source, const std::string& caption) {
  TImgBitmap& current = *currentImage_;
  const int width = current.Width();
  const int height = current.Height();
  const bool full = current.IsFull();
  Entry entry;
  entry.caption = caption;
  entry.image = std::make_unique<TImgBitmap>();
  entry.image->SetMemoryThreshold(0);
  entry.image->SetRowAlignBits(current.RowAlignBits());
  entry.image->SetBWConversion(current.BWConversion());
  entry.takenPixels = source.TakePixels();
  // The vector's block does not move when the entry is moved into the list.
  entry.image->AttachMemory(entry.takenPixels.data(), width, height, pfBGR24);
  entry.image->SetIsFull(full);
  // The oldest entry's block, about to be trimmed, serves the image that replaces this one.
  if (!undo_.empty() && undo_.size() >= static_cast<std::size_t>(undoLimit_)) {
    Entry& oldest = undo_.front();
    oldest.image.reset();
    source.GiveSpareBlock(std::move(oldest.takenPixels));
  }
  Append(undo_, std::move(entry));
}

void TImagerProc::Restore(std::vector<Entry>& list, int age) {
  if (!BeginOperation(TImgFormatSet{}))
    return;
  if (age < 0 || static_cast<std::size_t>(age) >= list.size())
    return;
  Entry& entry = list[list.size() - 1 - static_cast<std::size_t>(age)];
  if (entry.image) {
    currentImage_->Assign(entry.image.get());
    UpdateView();
  } else if (entry.state && attachedImager_ != nullptr) {
    entry.state->SetPosition(0);
    attachedImager_->LoadState(*entry.state);
  }
}

void TImagerProc::PushUndo(int kind) {
  Push(undo_, kind);
}

void TImagerProc::RestoreUndo() {
  RestoreUndo(0);
}

void TImagerProc::RestoreUndo(int age) {
  Restore(undo_, age);
}

void TImagerProc::PushRedo(int kind) {
  Push(redo_, kind);
}

void TImagerProc::DropLastRedo() {
  if (!redo_.empty())
    redo_.pop_back();
}

void TImagerProc::RestoreRedo() {
  RestoreRedo(0);
}

void TImagerProc::RestoreRedo(int age) {
  Restore(redo_, age);
}
