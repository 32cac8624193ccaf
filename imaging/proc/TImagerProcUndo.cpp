#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgView.h"
#include "imaging/proc/TImagerProc.h"
#include "platform/MemoryStream.h"

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
  const std::size_t limit = static_cast<std::size_t>(undoLimit_);
  while (!list.empty() && list.size() >= limit)
    list.erase(list.begin());
  list.push_back(std::move(entry));
  ++pushSerial_;
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
