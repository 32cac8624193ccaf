#include "app/batch/FileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "imaging/core/ImgErrors.h"

namespace {

bool Earlier(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

}  // namespace

std::optional<TFileTimes> ReadFileTimes(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0)
    return std::nullopt;
  return TFileTimes{info.st_atim, info.st_mtim};
}

bool TargetIsUpToDate(const TFileTimes& source, const std::string& target) {
  const std::optional<TFileTimes> written = ReadFileTimes(target);
  return written && !Earlier(written->Modified, source.Modified);
}

void ApplyFileTimes(const TFileTimes& times, const std::string& path) {
  const timespec both[2] = {times.Accessed, times.Modified};
  if (utimensat(AT_FDCWD, path.c_str(), both, 0) != 0)
    throw EImgFileError("Cannot set the times of " + path);
}
