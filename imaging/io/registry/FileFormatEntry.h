#pragma once

#include <cstdint>
#include <functional>
#include <string>

class TByteStream;
class TImgBitmap;
class TIOParamsVals;
struct TProgressRecord;

/// Fills the container and the parameters from the stream's current position; with paramsOnly
/// it fills the parameters alone. Failure is reported through the progress record's abort flag.
using TFileFormatRead =
    std::function<void(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals& params,
                       bool paramsOnly, TProgressRecord& progress)>;
/// Writes the container at the stream's current position with the options in the parameters.
using TFileFormatWrite = std::function<void(TByteStream& stream, TImgBitmap& bitmap,
                                            TIOParamsVals& params, TProgressRecord& progress)>;
/// True when the stream, from its current position, holds this format. May move the position.
using TFileFormatTest = std::function<bool(TByteStream& stream)>;

/// One row of the format registry: how a format is named, which extensions it owns and which
/// operations read, write and recognise it. An empty operation means the format has none.
struct FileFormatEntry {
  int FormatId = 0;
  /// At most 80 characters; longer names are cut when the row is added.
  std::string DisplayName;
  /// Upper case, without dots, separated by ";", at most 80 characters.
  std::string Extensions;
  /// The parameter-dialog pages that show this format's options.
  std::uint16_t OptionsPage = 0;
  TFileFormatRead Read;
  TFileFormatWrite Write;
  TFileFormatTest Test;
};
