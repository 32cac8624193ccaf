#pragma once

#include <memory>
#include <string>

#include "platform/FileStream.h"

/// Writes a file through a temporary file in the target's folder that replaces the target only
/// on Commit, so a failed write leaves no partial file and never harms an existing one.
class TReplacingFile {
 public:
  explicit TReplacingFile(const std::string& targetPath);
  /// Removes the temporary file unless Commit succeeded.
  ~TReplacingFile();
  TReplacingFile(const TReplacingFile&) = delete;
  TReplacingFile& operator=(const TReplacingFile&) = delete;

  /// False when the temporary file could not be created.
  bool IsOpen() const { return stream_ != nullptr && stream_->IsOpen(); }
  TFileStream& Stream() { return *stream_; }
  /// Flushes, closes and renames the temporary file over the target; false when any step failed
  /// (the temporary file is then removed and the target left as it was).
  bool Commit();

 private:
  void Discard();

  std::string targetPath_;
  std::string tempPath_;
  std::unique_ptr<TFileStream> stream_;
};
