#include "imaging/io/jpeg/JpegErrorManager.h"

#include <cstring>

// jpeglib.h (through the header) must come first: jerror.h relies on its types.
#include <jerror.h>

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

// Warnings about corrupt or missing coded data; the others (an unknown colour transform or
// JFIF revision, odd scan parameters, a bad ICC marker) leave the pixels as the file meant them.
bool MeansDamage(int code) {
  switch (code) {
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_ARITH_BAD_CODE:
      return true;
    default:
      return false;
  }
}

void EmitMessage(j_common_ptr cinfo, int level) {
  if (level != -1)
    return;
  TJpegErrorManager& errors = Manager(cinfo);
  ++errors.warningCount;
  errors.lastWarning = errors.pub.msg_code;
  if (errors.damageWarning == 0 && MeansDamage(errors.pub.msg_code))
    errors.damageWarning = errors.pub.msg_code;
}

void OutputMessage(j_common_ptr) {}

void FormatMessage(j_common_ptr, char* buffer) {
  buffer[0] = '\0';
}

void ResetErrorManager(j_common_ptr cinfo) {
  TJpegErrorManager& errors = Manager(cinfo);
  errors.warningCount = 0;
  errors.lastWarning = 0;
  errors.damageWarning = 0;
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
  errors.damageWarning = 0;
  errors.fatalCode = 0;
  return &errors.pub;
}

std::string JpegFatalMessage(const TJpegErrorManager& errors) {
  return JpegMessageText(errors.fatalCode);
}
