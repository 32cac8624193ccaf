#pragma once

#include <ctime>
#include <optional>
#include <string>

/// A file's access and modification times to the nanosecond.
struct TFileTimes {
  timespec Accessed;
  timespec Modified;
};

/// The file's times; nothing when it cannot be reached.
std::optional<TFileTimes> ReadFileTimes(const std::string& path);

/// True when the target exists and was last modified no earlier than the source. Equal times
/// count as up to date, so that a target given its source's times is not converted again.
bool TargetIsUpToDate(const TFileTimes& source, const std::string& target);

/// Gives the file the times; raises EImgFileError when they cannot be set.
void ApplyFileTimes(const TFileTimes& times, const std::string& path);
