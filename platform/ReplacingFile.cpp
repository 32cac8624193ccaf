#include "platform/ReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

// The mode a newly created file would get, or the existing target's mode, so that replacing a
// file does not change who may read it.
mode_t ModeForTarget(const std::string& targetPath) {
  struct stat info {};
  if (stat(targetPath.c_str(), &info) == 0 && S_ISREG(info.st_mode))
    return info.st_mode & 07777;
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Makes the rename itself durable. It has happened by then and cannot be taken back, so a
// failure here does not turn the save into a failed one.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return;
  fsync(fd);
  close(fd);
}

}  // namespace

TReplacingFile::TReplacingFile(const std::string& targetPath) : targetPath_(targetPath) {
  const std::filesystem::path target(targetPath);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string hiddenName(".");
  hiddenName.append(target.filename().string()).append(".qmtmp-XXXXXX");
  const std::string pattern = (folder / hiddenName).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0)
    return;
  tempPath_ = name.data();
  // mkstemp's 0600 would make every converted photo private to its owner.
  const bool modeSet = fchmod(fd, ModeForTarget(targetPath)) == 0;
  if (close(fd) != 0 || !modeSet) {
    Discard();
    return;
  }
  stream_ = std::make_unique<TFileStream>(tempPath_, TFileStream::Mode::OpenWrite);
  if (!stream_->IsOpen())
    Discard();
}

TReplacingFile::~TReplacingFile() {
  Discard();
}

bool TReplacingFile::Commit() {
  if (!IsOpen())
    return false;
  // The data must be on the disk before the name points at it, or a crash right after the
  // rename could leave an empty file where the previous one was.
  const bool synced = stream_->Sync();
  const bool closed = stream_->Close();
  if (!synced || !closed || std::rename(tempPath_.c_str(), targetPath_.c_str()) != 0) {
    Discard();
    return false;
  }
  tempPath_.clear();
  stream_.reset();
  const std::filesystem::path target(targetPath_);
  SyncFolder(target.has_parent_path() ? target.parent_path() : ".");
  return true;
}

void TReplacingFile::Discard() {
  stream_.reset();
  if (!tempPath_.empty())
    std::remove(tempPath_.c_str());
  tempPath_.clear();
}
