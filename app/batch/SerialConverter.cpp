#include "app/batch/SerialConverter.h"

#include "app/batch/BatchWindow.h"
#include "app/batch/ConvertFile.h"
#include "app/batch/FolderUtils.h"
#include "imaging/component/TImager.h"
#include "imaging/proc/TImagerProc.h"

TSerialConverter::TSerialConverter(TImager& imager, int threadBudget) : imager_(imager) {
  imager_.Proc()->SetThreadBudget(threadBudget);
}

void TSerialConverter::ConvertAll(const std::vector<TPhotoJob>& jobs, TBatchWindow& window,
                                  const TJobFinished& finished) {
  for (std::size_t job = 0; job < jobs.size() && !window.StopRequested(); ++job) {
    TPhotoResult result;
    try {
      CreateFolderPath(DirectoryPart(jobs[job].Target));
      result = ConvertFile(imager_, window.Settings(), jobs[job].Source, jobs[job].Target);
    } catch (...) {
      result.Error = std::current_exception();
    }
    finished(job, result);
  }
}
