#pragma once

#include <string>

#include "imaging/core/ImgErrors.h"
#include "platform/FileStream.h"

/// A file opened for a load or a parameter read; raises "Cannot open file " and the path when it
/// cannot be opened.
class TReadableFile : public TFileStream {
 public:
  explicit TReadableFile(const std::string& path) : TFileStream(path, Mode::OpenRead) {
    if (!IsOpen())
      throw EImgFileError("Cannot open file " + path);
  }
};
