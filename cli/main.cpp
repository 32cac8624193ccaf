#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <memory>

#include "app/batch/Button1Click.h"
#include "app/batch/ParallelConverter.h"
#include "app/batch/SerialConverter.h"
#include "app/batch/ThreadBudget.h"
#include "cli/CliOptions.h"
#include "cli/CliWindow.h"
#include "cli/PhotoReportWriter.h"
#include "imaging/component/TImager.h"
#include "platform/MemoryReuse.h"

namespace {

constexpr int kExitConverted = 0;
constexpr int kExitNotAllConverted = 1;
constexpr int kExitUsage = 2;

volatile std::sig_atomic_t interrupted = 0;

// The first Ctrl+C lets the photos in progress finish; a second one ends the program at once.
extern "C" void OnInterrupt(int) {
  interrupted = 1;
  std::signal(SIGINT, SIG_DFL);
}

void PrintSummary(const TBatchResult& result, bool planOnly, double seconds) {
  const int failed =
      static_cast<int>(result.NotConverted.size()) + (result.Outcome == boFailed ? 1 : 0);
  const int done = planOnly ? result.Planned : result.Converted;
  std::cout << (planOnly ? "Would convert " : "Converted ") << done;
  if (!result.Damaged.empty())
    std::cout << ", " << result.Damaged.size() << " of them from a damaged source";
  if (result.UpToDate > 0)
    std::cout << ", up to date " << result.UpToDate;
  if (result.OtherShards > 0)
    std::cout << ", left to other shards " << result.OtherShards;
  std::cout << ", skipped " << result.Skipped << ", failed " << failed << " in " << std::fixed
            << std::setprecision(2) << seconds << " s (" << (seconds > 0 ? done / seconds : 0.0)
            << " photos per second)\n";
  for (const TPhotoNote& damaged : result.Damaged)
    std::cout << "  damaged: " << damaged.Path << ": " << damaged.Reason << '\n';
  for (const TTargetClash& clash : result.Clashes)
    std::cout << "  clash: " << ClashText(clash, result.Jobs) << '\n';
}

int ExitStatus(const TBatchResult& result) {
  switch (result.Outcome) {
    case boFinished:
      // A damaged source counts as a problem too, so that scripts notice it.
      return result.NotConverted.empty() && result.Damaged.empty() ? kExitConverted
                                                                   : kExitNotAllConverted;
    case boFailed:
    case boStopped:
      return kExitNotAllConverted;
    default:
      return kExitUsage;
  }
}

}  // namespace

int main(int argc, char** argv) {
  KeepFreedMemoryForReuse();
  const int cores = MachineCores();
  const TCliOptions options =
      ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc), cores);
  if (options.Help) {
    std::cout << CliUsage();
    return kExitConverted;
  }
  if (options.Version) {
    std::cout << "quillmere-cli " << QM_VERSION << '\n';
    return kExitConverted;
  }
  if (!options.Error.empty()) {
    std::cerr << "quillmere-cli: " << options.Error << "\nTry 'quillmere-cli --help'.\n";
    return kExitUsage;
  }

  std::unique_ptr<TPhotoReportWriter> report;
  if (!options.ReportPath.empty()) {
    report = std::make_unique<TPhotoReportWriter>(options.ReportPath);
    if (!report->IsOpen()) {
      std::cerr << "quillmere-cli: cannot write the report " << options.ReportPath << '\n';
      return kExitUsage;
    }
  }
  const bool planOnly = options.Settings.PlanOnly;
  // A plan shows its own lines; the progress and the closing message would only bury them.
  TCliWindow window(options.Settings, options.Quiet || planOnly, isatty(STDOUT_FILENO) != 0,
                    std::cout, std::cerr);
  window.SetStopOnError(options.StopOnError);
  window.SetReportWriter(report.get());
  window.SetStopFlag(&interrupted);
  std::signal(SIGINT, OnInterrupt);
  const auto start = std::chrono::steady_clock::now();
  const int threadBudget = SharedThreadBudget(cores, options.Jobs);
  TBatchResult result;
  if (options.Jobs == 1) {
    // One job is the window's own road: one component, settings read for every file.
    TImager imager;
    TSerialConverter converter(imager, threadBudget);
    result = Button1Click(window, converter);
  } else {
    TParallelConverter converter(options.Jobs, threadBudget);
    result = Button1Click(window, converter);
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  if (!options.Quiet &&
      (result.Outcome == boFinished || result.Outcome == boFailed || result.Outcome == boStopped)) {
    PrintSummary(result, planOnly, elapsed.count());
  }
  return ExitStatus(result);
}
