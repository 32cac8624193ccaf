#pragma once

#include <string>

/// True when the path names an existing directory (a link to one included); false for an empty
/// path, a file or anything that cannot be examined.
bool FolderExists(const std::string& path);

/// Creates the directory and all its missing parents. True when the directory exists afterwards
/// by this call's reckoning; false when a directory could not be created. An empty path raises
/// std::runtime_error "Unable to create directory". The root "/" ends the recursion, and so
/// does the first component of a relative path.
bool CreateFolderPath(const std::string& path);

/// The directory part of a path, up to and including its last separator; empty when it has none.
std::string DirectoryPart(const std::string& path);
