#include "app/batch/FolderUtils.h"

#include <sys/stat.h>

#include <cerrno>
#include <stdexcept>

bool FolderExists(const std::string& path) {
  if (path.empty())
    return false;
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

namespace {

// Another worker may create the same folder between our test and our mkdir.
bool MakeDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0777) == 0)
    return true;
  return errno == EEXIST && FolderExists(path);
}

}  // namespace

bool CreateFolderPath(const std::string& path) {
  if (path.empty())
    throw std::runtime_error("Unable to create directory");
  std::string folder = path;
  if (folder.back() == '/')
    folder.pop_back();
  if (folder.empty() || FolderExists(folder))
    return true;
  const std::string parent = DirectoryPart(folder);
  if (!parent.empty() && !CreateFolderPath(parent))
    return false;
  return MakeDirectory(folder);
}

std::string DirectoryPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
