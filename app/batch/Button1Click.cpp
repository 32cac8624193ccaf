#include "app/batch/Button1Click.h"

#include <exception>

#include "app/batch/BatchPaths.h"
#include "app/batch/BatchWindow.h"
#include "app/batch/ClashReports.h"
#include "app/batch/CollectFiles.h"
#include "app/batch/FolderUtils.h"
#include "app/batch/PathShard.h"
#include "app/batch/PhotoConverter.h"
#include "app/batch/PhotoReport.h"

namespace {

constexpr std::size_t kListedPaths = 10;

class TRunGuard {
 public:
  explicit TRunGuard(TBatchWindow& window) : window_(window) { window_.SetRunActive(true); }
  ~TRunGuard() { window_.SetRunActive(false); }
  TRunGuard(const TRunGuard&) = delete;
  TRunGuard& operator=(const TRunGuard&) = delete;

 private:
  TBatchWindow& window_;
};

std::string ErrorText(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& caught) {
    return caught.what();
  } catch (...) {
    return "Unknown error";
  }
}

// Counts one photo into the result, tells the window of any problem and hands its report on.
// A photo's error ends the run (by propagating) when the window says so.
void TallyPhoto(TBatchWindow& window, std::size_t job, const std::vector<TPhotoJob>& jobs,
                const TPhotoResult& photo, TClashReports& reports, TBatchResult& result) {
  if (photo.Error && window.EndRunOnPhotoError())
    std::rethrow_exception(photo.Error);
  const std::string& path = jobs[job].Source;
  TPhotoOutcome outcome = poNotConverted;
  std::string reason;
  if (photo.UpToDate) {
    ++result.UpToDate;
    outcome = poUpToDate;
  } else if (photo.Planned) {
    ++result.Planned;
    outcome = poPlanned;
    reason = photo.Damage;
  } else if (photo.Converted) {
    ++result.Converted;
    outcome = poConverted;
    if (!photo.Damage.empty()) {
      result.Damaged.push_back({path, photo.Damage});
      window.NotePhotoProblem(path + ": converted from a damaged source: " + photo.Damage);
      outcome = poConvertedDamaged;
      reason = photo.Damage;
    }
  } else {
    if (photo.Error) {
      reason = ErrorText(photo.Error);
    } else if (!photo.Damage.empty()) {
      reason = "damaged source: " + photo.Damage;
    }
    result.NotConverted.push_back({path, reason});
    if (!reason.empty())
      window.NotePhotoProblem(path + ": not converted: " + reason);
  }
  reports.Report(job, photo, outcome, std::move(reason), window);
}

// The photos of the run's shard. The shard follows the target's relative path, so that
// sources which become one target stay in one shard and replace each other as in a whole run.
std::vector<TPhotoJob> PhotoJobs(const std::vector<std::string>& files, std::size_t sourceLength,
                                 const std::string& target, const ConversionSettings& settings,
                                 TBatchResult& result) {
  std::vector<TPhotoJob> jobs;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!IsPhotoPath(files[i], settings.SourceExtensions)) {
      ++result.Skipped;
      continue;
    }
    std::string targetPath = TargetPathFor(files[i], sourceLength, target);
    if (!InShard(targetPath.substr(target.size()), settings.ShardIndex, settings.ShardCount)) {
      ++result.OtherShards;
      continue;
    }
    jobs.push_back({i, files[i], std::move(targetPath)});
  }
  return jobs;
}

// Marks the jobs whose target a later job writes.
void MarkReplacedJobs(TBatchResult& result) {
  for (const TTargetClash& clash : result.Clashes) {
    for (std::size_t i = 0; i + 1 < clash.Jobs.size(); ++i)
      result.Jobs[clash.Jobs[i]].Replaced = true;
  }
}

}  // namespace

std::string ClosingMessage(const std::vector<TPhotoNote>& notConverted, int photos) {
  if (notConverted.empty())
    return "OK! Process successfully finished.";
  std::string text = "Process finished. " + std::to_string(notConverted.size()) + " of " +
                     std::to_string(photos) + " photos could not be converted:";
  for (std::size_t i = 0; i < notConverted.size() && i < kListedPaths; ++i) {
    text += '\n' + notConverted[i].Path;
    if (!notConverted[i].Reason.empty())
      text += ": " + notConverted[i].Reason;
  }
  if (notConverted.size() > kListedPaths) {
    text += "\n\u2026 and " + std::to_string(notConverted.size() - kListedPaths) + " more";
  }
  return text;
}

TBatchResult Button1Click(TBatchWindow& window, TPhotoConverter& converter) {
  TBatchResult result;
  // The window keeps processing events during a run, so Start can be pressed again.
  if (window.RunActive())
    return result;
  TRunGuard guard(window);

  const ConversionSettings settings = window.Settings();
  if (!FolderExists(settings.SourceFolder)) {
    window.ShowMessage("Source folder not found", mkError);
    window.FocusSourceFolder();
    result.Outcome = boSourceMissing;
    return result;
  }
  if (settings.TargetFolder.empty()) {
    window.ShowMessage("Please specify target folder", mkError);
    window.FocusTargetFolder();
    result.Outcome = boTargetMissing;
    return result;
  }
  const std::string source = WithTrailingSeparator(settings.SourceFolder);
  const std::string target = WithTrailingSeparator(settings.TargetFolder);

  std::vector<std::string> files;
  CollectFiles(source, "*.*", settings.IncludeSubfolders, files);
  result.Jobs = PhotoJobs(files, source.size(), target, settings, result);
  result.Collected = static_cast<int>(files.size());
  result.Photos = static_cast<int>(result.Jobs.size());
  result.Clashes = FindTargetClashes(result.Jobs);
  MarkReplacedJobs(result);
  const std::vector<TPhotoJob>& jobs = result.Jobs;
  TClashReports reports(jobs, result.Clashes);

  window.SetProgressMaximum(result.Collected);
  window.SetProgressPosition(0);
  window.RememberFolders();
  window.SetStatusText("Process is started. Please wait ...");
  for (const TTargetClash& clash : result.Clashes)
    window.NotePlanProblem(ClashText(clash, jobs));

  try {
    converter.ConvertAll(jobs, window, [&](std::size_t job, const TPhotoResult& photo) {
      TallyPhoto(window, job, jobs, photo, reports, result);
      const std::size_t done = jobs[job].ListIndex + 1;
      window.SetProgressPosition(static_cast<int>(done));
      window.SetStatusText("Conversion: " + std::to_string(ConversionPercent(done, files.size())) +
                           "%.");
      window.ProcessPendingEvents();
    });
  } catch (const std::exception& error) {
    reports.Flush(window);
    result.Outcome = boFailed;
    result.ErrorMessage = error.what();
    window.ShowMessage(result.ErrorMessage, mkFailure);
    return result;
  }

  reports.Flush(window);
  if (window.StopRequested()) {
    result.Outcome = boStopped;
    window.SetStatusText(kStoppedText);
    window.SetProgressPosition(0);
    return result;
  }
  window.SetStatusText("");
  result.Outcome = boFinished;
  // A plan's own lines already say which photos could not be read; it converts nothing.
  if (!settings.PlanOnly)
    window.ShowMessage(ClosingMessage(result.NotConverted, result.Photos),
                       result.NotConverted.empty() ? mkInformation : mkWarning);
  window.SetProgressPosition(0);
  return result;
}
