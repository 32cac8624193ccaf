#include "app/batch/CollectFiles.h"

#include <sys/stat.h>

#include "app/batch/MatchWildcard.h"

TFolderScanner::~TFolderScanner() {
  for (SearchState& state : stack_) {
    if (state.handle != nullptr)
      closedir(state.handle);
  }
}

void TFolderScanner::CollectFiles(const std::string& root, const std::string& mask, bool recurse,
                                  std::vector<std::string>& list) {
  list.clear();
  root_ = root;
  level_ = 1;
  bool found = StartSearch(root_);
  while (level_ > 0) {
    if (!found) {
      CloseSearch();
      --level_;
    } else {
      const SearchState& entry = stack_[level_];
      if (entry.isDirectory) {
        if (recurse && entry.name[0] != '.' && level_ < kMaxLevels) {
          const std::string folder = BuildPrefix(0);
          ++level_;
          found = StartSearch(folder);
          continue;
        }
      } else if (MatchWildcard(entry.name, mask)) {
        list.push_back(BuildPrefix(1) + entry.name);
      }
    }
    if (level_ > 0)
      found = FindNext();
  }
}

std::string TFolderScanner::BuildPrefix(int leaveOut) const {
  std::string prefix = root_;
  for (int level = 1; level <= level_ - leaveOut; ++level) {
    prefix += stack_[level].name;
    prefix += '/';
  }
  return prefix;
}

bool TFolderScanner::StartSearch(const std::string& folder) {
  SearchState& state = stack_[level_];
  state.handle = opendir(folder.c_str());
  return state.handle != nullptr && FindNext();
}

bool TFolderScanner::FindNext() {
  SearchState& state = stack_[level_];
  if (state.handle == nullptr)
    return false;
  while (const dirent* entry = readdir(state.handle)) {
    state.name = entry->d_name;
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN || type == DT_LNK) {
      // Some file systems do not report the type; links are judged by what they point at.
      const std::string path = BuildPrefix(1) + state.name;
      struct stat info {};
      const bool known = lstat(path.c_str(), &info) == 0;
      if (known && S_ISLNK(info.st_mode)) {
        // A link to a folder is neither entered (it may loop) nor collected as a file.
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
          continue;
      } else if (known && S_ISDIR(info.st_mode)) {
        type = DT_DIR;
      }
    }
    state.isDirectory = type == DT_DIR;
    return true;
  }
  return false;
}

void TFolderScanner::CloseSearch() {
  SearchState& state = stack_[level_];
  if (state.handle != nullptr)
    closedir(state.handle);
  state.handle = nullptr;
}

void CollectFiles(const std::string& root, const std::string& mask, bool recurse,
                  std::vector<std::string>& list) {
  TFolderScanner scanner;
  scanner.CollectFiles(root, mask, recurse, list);
}
