#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/batch/BatchWindow.h"
#include "app/batch/PhotoConverter.h"
#include "app/batch/PhotoReport.h"

/// A window that records what a run shows, one log line per call.
class FakeWindow : public TBatchWindow {
 public:
  ConversionSettings settings;
  std::vector<std::string> log;
  std::vector<std::string> statusTexts;
  int progressMaximum = -1;
  int progressPosition = -1;
  std::string statusText;
  std::function<void()> onPendingEvents;
  bool endRunOnPhotoError = true;
  std::function<bool()> stopRequested;
  std::vector<TPhotoOutcome> outcomes;
  std::vector<std::string> reportedSources;

  ConversionSettings Settings() override { return settings; }
  void SetProgressMaximum(int maximum) override {
    progressMaximum = maximum;
    log.push_back("max " + std::to_string(maximum));
  }
  void SetProgressPosition(int position) override {
    progressPosition = position;
    log.push_back("pos " + std::to_string(position));
  }
  void SetStatusText(const std::string& text) override {
    statusText = text;
    statusTexts.push_back(text);
  }
  void ShowMessage(const std::string& text, TMessageKind kind) override {
    log.push_back("message " + std::to_string(kind) + " " + text);
  }
  void ProcessPendingEvents() override {
    log.push_back("events");
    if (onPendingEvents)
      onPendingEvents();
  }
  void FocusSourceFolder() override { log.push_back("focus source"); }
  void FocusTargetFolder() override { log.push_back("focus target"); }
  void RememberFolders() override { log.push_back("remember"); }
  bool EndRunOnPhotoError() override { return endRunOnPhotoError; }
  void NotePhotoProblem(const std::string& text) override { log.push_back("problem " + text); }
  void NotePlanProblem(const std::string& text) override { log.push_back("plan " + text); }
  void PhotoReported(const TPhotoReport& report) override {
    outcomes.push_back(report.Outcome);
    reportedSources.push_back(report.Job.Source);
  }
  bool StopRequested() override { return stopRequested && stopRequested(); }
};

/// A converter that records its jobs and answers from a script instead of touching images.
class FakeConverter : public TPhotoConverter {
 public:
  std::vector<TPhotoJob> jobs;
  /// Decides each job's outcome; may throw as a conversion would. Converts everything when unset.
  std::function<bool(const TPhotoJob&)> convert;
  /// The damage reason a job's source reports; none when unset.
  std::function<std::string(const TPhotoJob&)> damage;

  void ConvertAll(const std::vector<TPhotoJob>& all, TBatchWindow& /*window*/,
                  const TJobFinished& finished) override {
    for (std::size_t i = 0; i < all.size(); ++i) {
      jobs.push_back(all[i]);
      TPhotoResult result;
      try {
        result.Converted = convert ? convert(all[i]) : true;
        result.Damage = damage ? damage(all[i]) : "";
      } catch (...) {
        result.Error = std::current_exception();
      }
      finished(i, result);
    }
  }
};
