// Runs a batch conversion as the window runs it, for timing whole runs without a display:
// the same run and converter, a host that shows its messages on the terminal, and waits that
// block the calling thread where the window's let it take events.
//   qm_window_run SOURCE TARGET [SIZE-INDEX]    size index as the window's list, default 50 %

#include <iostream>
#include <string>

#include "app/batch/BatchWindow.h"
#include "app/batch/RunWaiter.h"
#include "app/batch/WindowRun.h"

namespace {

class TTerminalWindow : public TBatchWindow {
 public:
  explicit TTerminalWindow(const ConversionSettings& settings) : settings_(settings) {}
  ConversionSettings Settings() override { return settings_; }
  void SetProgressMaximum(int) override {}
  void SetProgressPosition(int) override {}
  void SetStatusText(const std::string&) override {}
  // The closing message of a clean run would only add to what is timed.
  void ShowMessage(const std::string& text, TMessageKind kind) override {
    if (kind != mkInformation)
      std::cerr << text << '\n';
  }
  void ProcessPendingEvents() override {}
  void FocusSourceFolder() override {}
  void FocusTargetFolder() override {}
  void RememberFolders() override {}

 private:
  ConversionSettings settings_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::cerr << "usage: qm_window_run SOURCE TARGET [SIZE-INDEX]\n";
    return 2;
  }
  ConversionSettings settings;
  settings.SourceFolder = argv[1];
  settings.TargetFolder = argv[2];
  settings.QualityIndex = 2;
  settings.SizeIndex = argc == 4 ? std::stoi(argv[3]) : 1;
  TTerminalWindow window(settings);
  TBlockingWaiter waiter;
  const TBatchResult result = RunOnEveryCore(window, waiter);
  return result.Outcome == boFinished && result.NotConverted.empty() ? 0 : 1;
}
