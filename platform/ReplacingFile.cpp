#include "platform/ReplacingFile.h"

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
  fchmod(fd, ModeForTarget(targetPath));
  close(fd);
  tempPath_ = name.data();
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
  const bool closed = stream_->Close();
  if (!closed || std::rename(tempPath_.c_str(), targetPath_.c_str()) != 0) {
    Discard();
    return false;
  }
  tempPath_.clear();
  stream_.reset();
  return true;
}

void TReplacingFile::Discard() {
  stream_.reset();
  if (!tempPath_.empty())
    std::remove(tempPath_.c_str());
  tempPath_.clear();
}
