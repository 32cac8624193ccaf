#pragma once

#include <optional>
#include <string>
#include <vector>

#include "imaging/io/registry/FileFormatEntry.h"

/// The library-wide list of formats, built-in rows first, then the rows added with
/// AddFileFormat in the order they came. Lookups hand out copies, so a row may be added while
/// another thread loads.

/// Appends a copy of the entry; display name and extensions are cut to 80 characters.
void AddFileFormat(const FileFormatEntry& entry);

/// Every row, in list order.
std::vector<FileFormatEntry> FileFormatRegistry();

/// The first row, in list order, that lists the extension (with or without its leading dot,
/// any case) among its extensions.
std::optional<FileFormatEntry> FindFileFormatByExtension(const std::string& extension);

/// The first row with this id that has a read operation.
std::optional<FileFormatEntry> FindReadableFileFormat(int formatId);
