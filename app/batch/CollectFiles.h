#pragma once

#include <dirent.h>

#include <array>
#include <string>
#include <vector>

/// Walks a folder tree depth-first without recursion, one search state per level, and collects
/// the full paths of the files whose names match a mask. Links to folders are not entered, and
/// the walk descends at most to the last of its levels.
class TFolderScanner {
 public:
  static constexpr int kMaxLevels = 100;

  TFolderScanner() = default;
  ~TFolderScanner();
  TFolderScanner(const TFolderScanner&) = delete;
  TFolderScanner& operator=(const TFolderScanner&) = delete;

  /// Clears the list, then appends root + relative path of every matching file, each folder's
  /// content at the folder's place. The root ends in a separator.
  void CollectFiles(const std::string& root, const std::string& mask, bool recurse,
                    std::vector<std::string>& list);

  /// The root and the names of the levels from 1 to the current one less leaveOut (0 or 1),
  /// each followed by a separator.
  std::string BuildPrefix(int leaveOut) const;

 private:
  struct SearchState {
    std::string name;
    bool isDirectory = false;
    DIR* handle = nullptr;
  };

  /// Opens the folder into the current level and fetches its first entry.
  bool StartSearch(const std::string& folder);
  /// Fetches the next entry of the current level; false at the end or on an error.
  bool FindNext();
  void CloseSearch();

  std::string root_;
  std::array<SearchState, kMaxLevels + 1> stack_;  // index 0 unused: levels count from 1
  int level_ = 0;
};

/// Clears the list and fills it with the files under root (ending in a separator) that match
/// the mask, descending into subfolders when recurse is set.
void CollectFiles(const std::string& root, const std::string& mask, bool recurse,
                  std::vector<std::string>& list);
