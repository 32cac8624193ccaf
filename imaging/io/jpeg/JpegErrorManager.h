#pragma once

#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>

/// The codec's error manager: warnings are counted, a fatal error sets the abort flag and jumps
/// back to the guard that made the library call (never throwing through the library's frames).
struct TJpegErrorManager {
  jpeg_error_mgr pub;  // first member: the library sees only this part
  bool* aborting = nullptr;
  std::jmp_buf jump;
  int warningCount = 0;
  int lastWarning = 0;    ///< library code of the last warning
  int damageWarning = 0;  ///< library code of the first warning that means lost or wrong pixels
  int fatalCode = 0;      ///< library code of the fatal error that ended the last guarded call
};

/// Installs the codec's hooks into errors (every other field zero) and returns the library view.
jpeg_error_mgr* InitJpegErrorManager(TJpegErrorManager& errors, bool* aborting);

/// The text of the fatal error recorded in errors, as EImgJpegException carries it.
std::string JpegFatalMessage(const TJpegErrorManager& errors);

/// Runs one library call; false when the library reported a fatal error during it. The frame
/// holds nothing that needs a destructor, so the library's longjmp may land here safely.
template <class Call>
bool JpegGuarded(TJpegErrorManager& errors, Call&& call) {
  if (setjmp(errors.jump) != 0)
    return false;
  call();
  return true;
}
