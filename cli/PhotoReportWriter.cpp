#include "cli/PhotoReportWriter.h"

#include <array>
#include <cstdio>
#include <optional>

#include "app/batch/PhotoReport.h"

namespace {

struct TField {
  const char* Name;
  std::optional<std::string> Text;  ///< nothing where the value is not known
  bool Quoted;                      ///< a string in JSON, a number otherwise
};

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos)
    return text;
  std::string cell = "\"";
  for (const char c : text) {
    cell += c;
    if (c == '"')
      cell += '"';
  }
  return cell + '"';
}

std::string JsonString(const std::string& text) {
  std::string json = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      json += escaped;
    } else {
      json += c;
    }
  }
  return json + '"';
}

std::optional<std::string> Side(int value) {
  return value > 0 ? std::optional(std::to_string(value)) : std::nullopt;
}

std::array<TField, 11> Fields(const TPhotoReport& report) {
  const TPhotoResult& r = report.Result;
  char milliseconds[32];
  std::snprintf(milliseconds, sizeof milliseconds, "%.1f", r.Milliseconds);
  return {{{"source", report.Job.Source, true},
           {"target", report.Job.Target, true},
           {"outcome", OutcomeName(report.Outcome), true},
           {"reason", report.Reason, true},
           {"source_width", Side(r.SourceWidth), false},
           {"source_height", Side(r.SourceHeight), false},
           {"output_width", Side(r.OutputWidth), false},
           {"output_height", Side(r.OutputHeight), false},
           {"bytes_in", std::to_string(r.BytesIn), false},
           {"bytes_out", r.BytesOut > 0 ? std::optional(std::to_string(r.BytesOut)) : std::nullopt,
            false},
           {"milliseconds", std::string(milliseconds), false}}};
}

}  // namespace

TPhotoReportWriter::TPhotoReportWriter(const std::string& path)
    : out_(path, std::ios::binary | std::ios::trunc),
      jsonLines_(path.size() >= 6 && path.compare(path.size() - 6, 6, ".jsonl") == 0) {
  if (jsonLines_ || !out_)
    return;
  const TPhotoJob noJob;
  const TPhotoResult noResult;
  const char* separator = "";
  for (const TField& field : Fields({noJob, noResult, poConverted, {}})) {
    out_ << separator << field.Name;
    separator = ",";
  }
  out_ << '\n' << std::flush;
}

void TPhotoReportWriter::Write(const TPhotoReport& report) {
  const char* separator = jsonLines_ ? "{" : "";
  for (const TField& field : Fields(report)) {
    out_ << separator;
    if (jsonLines_) {
      out_ << JsonString(field.Name) << ':';
      if (!field.Text) {
        out_ << "null";
      } else {
        out_ << (field.Quoted ? JsonString(*field.Text) : *field.Text);
      }
    } else if (field.Text) {
      out_ << CsvCell(*field.Text);
    }
    separator = ",";
  }
  out_ << (jsonLines_ ? "}\n" : "\n") << std::flush;
}
