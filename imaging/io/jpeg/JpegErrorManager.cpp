#include "imaging/io/jpeg/JpegErrorManager.h"

#include <cstring>

#include "imaging/io/jpeg/JpegMessages.h"

namespace {

TJpegErrorManager& Manager(j_common_ptr cinfo) {
  // pub is the first member of a standard-layout struct, so the addresses coincide.
  return *reinterpret_cast<TJpegErrorManager*>(cinfo->err);
}

void ErrorExit(j_common_ptr cinfo) {
  TJpegErrorManager& errors = Manager(cinfo);
  if (errors.aborting != nullptr)
    *errors.aborting = true;
  errors.fatalCode = errors.pub.msg_code;
  std::longjmp(errors.jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
  if (level != -1)
    return;
  TJpegErrorManager& errors = Manager(cinfo);
  ++errors.warningCount;
  errors.lastWarning = errors.pub.msg_code;
}

void OutputMessage(j_common_ptr) {}

void FormatMessage(j_common_ptr, char* buffer) {
  buffer[0] = '\0';
}

void ResetErrorManager(j_common_ptr cinfo) {
  TJpegErrorManager& errors = Manager(cinfo);
  errors.warningCount = 0;
  errors.lastWarning = 0;
  errors.pub.num_warnings = 0;
  errors.pub.msg_code = 0;
}

}  // namespace

jpeg_error_mgr* InitJpegErrorManager(TJpegErrorManager& errors, bool* aborting) {
  std::memset(&errors.pub, 0, sizeof(errors.pub));
  errors.pub.error_exit = ErrorExit;
  errors.pub.emit_message = EmitMessage;
  errors.pub.output_message = OutputMessage;
  errors.pub.format_message = FormatMessage;
  errors.pub.reset_error_mgr = ResetErrorManager;
  errors.pub.trace_level = 0;
  errors.aborting = aborting;
  errors.warningCount = 0;
  errors.lastWarning = 0;
  errors.fatalCode = 0;
  return &errors.pub;
}

std::string JpegFatalMessage(const TJpegErrorManager& errors) {
  return JpegMessageText(errors.fatalCode);
}
