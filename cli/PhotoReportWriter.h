#pragma once

#include <fstream>
#include <string>

struct TPhotoReport;

/// Writes one row per photo: CSV with a header line, or JSON Lines when the file name ends in
/// ".jsonl". Each row is flushed, so a run that is cut short still leaves the rows done so far.
class TPhotoReportWriter {
 public:
  explicit TPhotoReportWriter(const std::string& path);
  /// False when the file could not be created.
  bool IsOpen() const { return out_.is_open() && out_.good(); }
  void Write(const TPhotoReport& report);

 private:
  std::ofstream out_;
  bool jsonLines_;
};
