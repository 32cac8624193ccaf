#include "cli/PlanLine.h"

#include <utility>

#include "app/batch/PhotoReport.h"

namespace {

std::string Sides(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

// In the order the conversion applies them.
std::string Effects(const ConversionSettings& settings) {
  const std::pair<bool, const char*> effects[] = {
      {settings.ApplyEqualize, "equalize"}, {settings.ApplyBlur, "blur"},
      {settings.ApplyWallis, "wallis"},     {settings.ApplyNegative, "negative"},
      {settings.ApplyBlackWhite, "bw"},     {settings.SaveGrayScale, "gray"}};
  std::string text;
  for (const auto& [chosen, name] : effects) {
    if (chosen)
      text += (text.empty() ? "" : ", ") + std::string(name);
  }
  return text.empty() ? "none" : text;
}

}  // namespace

std::string PlanLine(const TPhotoReport& report, const ConversionSettings& settings) {
  std::string line = report.Job.Source + " -> " + report.Job.Target + ": ";
  const TPhotoResult& result = report.Result;
  if (report.Outcome != poPlanned) {
    line += OutcomeName(report.Outcome);
    return report.Reason.empty() ? line : line + ": " + report.Reason;
  }
  line += Sides(result.SourceWidth, result.SourceHeight) + " -> " +
          Sides(result.OutputWidth, result.OutputHeight) + ", effects: " + Effects(settings);
  if (!report.Reason.empty())
    line += ", damaged source: " + report.Reason;
  return line;
}
