#pragma once

#include <string>

#include "app/batch/ConversionSettings.h"

/// How a message box looks: the finishing message, the closing message when photos were not
/// converted, a validation error (caption "Error"), or the message of an error that ended a run
/// (what the application's default error handler shows).
enum TMessageKind { mkInformation, mkWarning, mkError, mkFailure };

/// What a batch run needs of the window that started it. The Qt window, the command line and
/// the tests each implement it, so all of them drive the very same run.
class TBatchWindow {
 public:
  virtual ~TBatchWindow() = default;

  /// The choices as the controls hold them right now.
  virtual ConversionSettings Settings() = 0;
  virtual void SetProgressMaximum(int maximum) = 0;
  virtual void SetProgressPosition(int position) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  /// Shows a modal message box and returns when it is closed.
  virtual void ShowMessage(const std::string& text, TMessageKind kind) = 0;
  virtual void ProcessPendingEvents() = 0;
  virtual void FocusSourceFolder() = 0;
  virtual void FocusTargetFolder() = 0;
  /// Puts the current source and target texts at the top of their lists.
  virtual void RememberFolders() = 0;
  /// Whether an error raised while one photo is loaded, processed or saved ends the run with
  /// the error's message (the window), or names the photo among those not converted and lets
  /// the run go on with the next one (an unattended command-line run).
  virtual bool EndRunOnPhotoError() { return true; }
  /// Told as soon as a photo is not converted for a known reason or comes from a damaged
  /// source; the text names the photo and the reason.
  virtual void NotePhotoProblem(const std::string& /*text*/) {}
  /// Asked after each photo is reported: true ends the run once the photos in progress are done.
  virtual bool StopRequested() { return false; }

  /// True while a run started from this window is under way; a second start is refused.
  bool RunActive() const { return runActive_; }
  void SetRunActive(bool active) { runActive_ = active; }

 private:
  bool runActive_ = false;
};
