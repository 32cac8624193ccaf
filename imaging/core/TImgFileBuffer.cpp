#include "imaging/core/TImgFileBuffer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "imaging/core/ImgErrors.h"

TImgFileBuffer::~TImgFileBuffer() {
  Close();
}

bool TImgFileBuffer::Create(std::int64_t size, const std::string& folder) {
  Close();
  std::string dir = folder;
  if (dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  } else {
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
  }
  std::string pattern = dir + "/qmimgXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0)
    return false;
  if (::ftruncate(fd, size) != 0) {
    ::close(fd);
    ::unlink(name.data());
    return false;
  }
  fd_ = fd;
  size_ = size;
  path_ = name.data();
  return true;
}

void TImgFileBuffer::Close() {
  rows_.clear();
  spare_ = {};
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  fd_ = -1;
  size_ = 0;
  path_.clear();
}

// Both transfers go on after a short count and an interrupted call; errno tells the reason
// of a failure (0 when a read met the end of the file).
bool TImgFileBuffer::ReadAt(std::int64_t offset, void* buffer, std::int64_t length) const {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (length > 0) {
    const ssize_t n = ::pread(fd_, out, static_cast<std::size_t>(length), offset);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      if (n == 0)
        errno = 0;
      return false;
    }
    out += n;
    offset += n;
    length -= n;
  }
  return true;
}

bool TImgFileBuffer::WriteAt(std::int64_t offset, const void* buffer, std::int64_t length) {
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  while (length > 0) {
    const ssize_t n = ::pwrite(fd_, in, static_cast<std::size_t>(length), offset);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      if (n == 0)
        errno = ENOSPC;
      return false;
    }
    in += n;
    offset += n;
    length -= n;
  }
  return true;
}

void TImgFileBuffer::WriteOrThrow(std::int64_t offset, const void* buffer, std::int64_t length) {
  if (!WriteAt(offset, buffer, length))
    ThrowIoError("Cannot write temporary file ", errno);
}

void TImgFileBuffer::ThrowIoError(const std::string& what, int error) const {
  throw EImgFileError(what + path_ + ": " +
                      (error == 0 ? std::string("unexpected end of file") : std::strerror(error)));
}

std::uint8_t* TImgFileBuffer::FetchRow(std::int64_t offset, std::int64_t length, bool readIt,
                                       bool writeBack) {
  auto existing = rows_.find(offset);
  if (existing != rows_.end()) {
    existing->second.writeBack = existing->second.writeBack || writeBack;
    return existing->second.bytes.data();
  }
  if (!spare_)
    spare_ = rows_.extract(rows_.emplace(offset, FetchedRow{}).first);
  auto node = std::move(spare_);
  node.key() = offset;
  FetchedRow& row = node.mapped();
  row.bytes.assign(static_cast<std::size_t>(length), 0);
  row.writeBack = writeBack;
  if (readIt && !ReadAt(offset, row.bytes.data(), length)) {
    const int error = errno;
    spare_ = std::move(node);
    ThrowIoError("Cannot read temporary file ", error);
  }
  return rows_.insert(std::move(node)).position->second.bytes.data();
}

void TImgFileBuffer::ReleaseRow(std::int64_t offset) {
  auto it = rows_.find(offset);
  if (it == rows_.end())
    return;
  // The row is let go before its write is checked, so a failed write leaves no stale holder.
  spare_ = rows_.extract(it);
  const FetchedRow& row = spare_.mapped();
  if (row.writeBack)
    WriteOrThrow(offset, row.bytes.data(), static_cast<std::int64_t>(row.bytes.size()));
}

void TImgFileBuffer::ReleaseAllRows() {
  while (!rows_.empty())
    ReleaseRow(rows_.begin()->first);
}

void TImgFileBuffer::FlushRows() {
  for (auto& [offset, row] : rows_) {
    if (row.writeBack)
      WriteOrThrow(offset, row.bytes.data(), static_cast<std::int64_t>(row.bytes.size()));
  }
}

namespace {

// The kernel copies between the two files without passing the bytes through user space.
bool CopyWholeFile(int sourceFd, int targetFd, std::int64_t length) {
  off_t sourceOffset = 0;
  off_t targetOffset = 0;
  while (length > 0) {
    const ssize_t n = ::copy_file_range(sourceFd, &sourceOffset, targetFd, &targetOffset,
                                        static_cast<std::size_t>(length), 0);
    if (n <= 0)
      return false;
    length -= n;
  }
  return true;
}

}  // namespace

bool TImgFileBuffer::CopyFile(TImgFileBuffer& source, std::int64_t sourceOffset,
                              TImgFileBuffer& target, std::int64_t targetOffset,
                              std::int64_t length) {
  if (sourceOffset < 0 || targetOffset < 0 || length < 0)
    return false;
  const bool wholeFile =
      sourceOffset == 0 && targetOffset == 0 && length == source.size_ && length == target.size_;
  if (wholeFile && CopyWholeFile(source.fd_, target.fd_, length))
    return true;
  constexpr std::int64_t kChunk = 1048576;
  std::vector<std::uint8_t> buffer(
      static_cast<std::size_t>(std::min(kChunk, std::max<std::int64_t>(length, 1))));
  while (length > 0) {
    const std::int64_t n = std::min<std::int64_t>(length, static_cast<std::int64_t>(buffer.size()));
    if (!source.ReadAt(sourceOffset, buffer.data(), n))
      return false;
    if (!target.WriteAt(targetOffset, buffer.data(), n))
      return false;
    sourceOffset += n;
    targetOffset += n;
    length -= n;
  }
  return true;
}

void TImgFileBuffer::Swap(TImgFileBuffer& other) {
  std::swap(fd_, other.fd_);
  std::swap(size_, other.size_);
  std::swap(path_, other.path_);
  std::swap(rows_, other.rows_);
  std::swap(spare_, other.spare_);
}
