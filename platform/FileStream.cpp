#include "platform/FileStream.h"

#include <sys/stat.h>
#include <unistd.h>

TFileStream::TFileStream(const std::string& path, Mode mode) {
  const char* flags = mode == Mode::OpenRead ? "rb" : mode == Mode::Create ? "w+b" : "r+b";
  file_ = std::fopen(path.c_str(), flags);
  if (file_ != nullptr && mode == Mode::OpenRead) {
    struct stat info {};
    // A folder opens fine with fopen on Linux but is no file to read.
    if (fstat(fileno(file_), &info) != 0 || S_ISDIR(info.st_mode)) {
      std::fclose(file_);
      file_ = nullptr;
    }
  }
}

TFileStream::~TFileStream() {
  Close();
}

bool TFileStream::Close() {
  if (file_ == nullptr)
    return true;
  const bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok && closed;
}

bool TFileStream::Sync() {
  if (file_ == nullptr)
    return false;
  return std::fflush(file_) == 0 && !std::ferror(file_) && fsync(fileno(file_)) == 0;
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  if (file_ == nullptr || count <= 0)
    return 0;
  return static_cast<std::int64_t>(std::fread(buffer, 1, static_cast<std::size_t>(count), file_));
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  if (file_ == nullptr || count <= 0)
    return 0;
  return static_cast<std::int64_t>(std::fwrite(buffer, 1, static_cast<std::size_t>(count), file_));
}

std::int64_t TFileStream::Seek(std::int64_t offset, Origin origin) {
  if (file_ == nullptr)
    return -1;
  const int whence = origin == Origin::Begin     ? SEEK_SET
                     : origin == Origin::Current ? SEEK_CUR
                                                 : SEEK_END;
  if (!(origin == Origin::Current && offset == 0) && fseeko(file_, offset, whence) != 0)
    return -1;
  return ftello(file_);
}

std::int64_t TFileStream::Size() {
  if (file_ == nullptr)
    return 0;
  std::fflush(file_);
  struct stat info {};
  if (fstat(fileno(file_), &info) != 0)
    return 0;
  return info.st_size;
}
