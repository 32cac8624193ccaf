#pragma once

#include <string>
#include <vector>

class TBatchWindow;
class TPhotoConverter;

/// How a run ended.
enum TBatchOutcome {
  boRefused,        ///< a run of the same window was already under way
  boSourceMissing,  ///< "Source folder not found"
  boTargetMissing,  ///< "Please specify target folder"
  boFinished,       ///< every file was visited; some photos may not have been converted
  boFailed,         ///< an error ended the run at one file
  boStopped         ///< the window asked the run to stop
};

/// A photo and what was wrong with it; the reason is empty where none is known.
struct TPhotoNote {
  std::string Path;
  std::string Reason;
};

/// What a run did, for callers that report more than the window shows.
struct TBatchResult {
  TBatchOutcome Outcome = boRefused;
  int Collected = 0;  ///< files collected (the progress maximum)
  int Photos = 0;     ///< collected files with a photo extension
  int Converted = 0;
  int Skipped = 0;                       ///< collected files that are not photos
  std::vector<TPhotoNote> NotConverted;  ///< in list order
  std::vector<TPhotoNote> Damaged;       ///< converted, but from a damaged source
  std::string ErrorMessage;              ///< the error that ended the run
};

/// The Start button: validates the folders, collects the files, converts every photo with the
/// converter, reports progress and the end to the window.
TBatchResult Button1Click(TBatchWindow& window, TPhotoConverter& converter);

/// The status text of a run that was stopped.
inline constexpr const char* kStoppedText = "Process was stopped.";

/// The closing message of a run that visited every file.
std::string ClosingMessage(const std::vector<TPhotoNote>& notConverted, int photos);
