#pragma once

// exiftool (a test-only tool) as the reference reader of the metadata the library writes.

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace exiftool {

inline bool Available() {
  static const bool available = [] {
    FILE* pipe = popen("exiftool -ver >/dev/null 2>&1", "r");
    return pipe != nullptr && pclose(pipe) == 0;
  }();
  return available;
}

/// exiftool's lines for each file, in one run (it takes a while to start): "-a -D -G1 -s" with
/// list items separated by "|", leaving out lines with an empty value and lines that hold a
/// text of leaveOut.
inline std::vector<std::string> Lines(const std::string& arguments,
                                      const std::vector<std::filesystem::path>& files,
                                      const std::vector<std::string>& leaveOut = {}) {
  std::string command = "exiftool -a -D -G1 -s -sep '|' " + arguments;
  for (const auto& file : files)
    command += " '" + file.string() + "'";
  command += " 2>/dev/null";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
      output.append(buffer, count);
    pclose(pipe);
  }
  // With more than one file, each file's lines follow a "======== name" line.
  std::vector<std::string> perFile(files.size());
  int index = files.size() > 1 ? -1 : 0;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("======== ", 0) == 0) {
      ++index;
      continue;
    }
    // Tag lines begin with their group name; the rest is exiftool's own report.
    bool skip = index < 0 || static_cast<std::size_t>(index) >= files.size() ||
                line.rfind("[", 0) != 0 || line.compare(line.size() - 2, 2, ": ") == 0;
    for (const std::string& name : leaveOut)
      skip = skip || line.find(name) != std::string::npos;
    if (!skip)
      perFile[static_cast<std::size_t>(index)] += line + "\n";
  }
  return perFile;
}

}  // namespace exiftool
