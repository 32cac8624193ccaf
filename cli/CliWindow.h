#pragma once

#include <csignal>
#include <ostream>
#include <string>

#include "app/batch/BatchWindow.h"

/// The batch run's window on a terminal: messages go to the two streams, progress is a live
/// bar on a terminal and plain "Conversion: N%." lines otherwise.
class TCliWindow : public TBatchWindow {
 public:
  TCliWindow(const ConversionSettings& settings, bool quiet, bool terminal, std::ostream& out,
             std::ostream& err);

  /// Whether a photo's error ends the run (--stop-on-error) instead of naming the photo.
  void SetStopOnError(bool stop) { stopOnError_ = stop; }

  ConversionSettings Settings() override { return settings_; }
  void SetProgressMaximum(int maximum) override { maximum_ = maximum; }
  void SetProgressPosition(int position) override { position_ = position; }
  void SetStatusText(const std::string& text) override;
  void ShowMessage(const std::string& text, TMessageKind kind) override;
  void ProcessPendingEvents() override { out_.flush(); }
  void FocusSourceFolder() override {}
  void FocusTargetFolder() override {}
  void RememberFolders() override {}
  bool EndRunOnPhotoError() override { return stopOnError_; }
  /// A warning line on the error stream, also when quiet.
  void NotePhotoProblem(const std::string& text) override;
  bool StopRequested() override { return stopFlag_ != nullptr && *stopFlag_ != 0; }
  /// A flag that a signal handler sets to stop the run after the photos in progress.
  void SetStopFlag(const volatile std::sig_atomic_t* flag) { stopFlag_ = flag; }

 private:
  void DrawBar(const std::string& text);
  void EndBar();

  ConversionSettings settings_;
  bool quiet_;
  bool terminal_;
  std::ostream& out_;
  std::ostream& err_;
  int maximum_ = 0;
  int position_ = 0;
  bool barShown_ = false;
  bool stopOnError_ = false;
  const volatile std::sig_atomic_t* stopFlag_ = nullptr;
};
