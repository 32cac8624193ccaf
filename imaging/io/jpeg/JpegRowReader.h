#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/core/RowSource.h"

class TByteStream;
class TImgBitmap;
class TIOParamsVals;
struct TJpegReadSession;
struct TProgressRecord;

/// One JPEG decode, a row at a time, into pfBGR24 rows. Start reads everything up to the first
/// row; the rows are then decoded into a whole container (DecodeInto) or into a few kept rows
/// (Row); Finish ends the decode and notes what the whole read found. Every failure sets
/// the progress record's abort flag, and rows never decoded read black; only a fatal library
/// error in the tables stream raises EImgJpegException, from Finish.
class TJpegRowReader final : public TRowSource {
 public:
  /// Reads from the first FF D8 FF among the 100 stream positions from the current one.
  /// tables, when given, is an abbreviated table-only datastream read first; rawYCbCr delivers
  /// YCbCr samples unconverted.
  TJpegRowReader(TByteStream& stream, TByteStream* tables, bool rawYCbCr, TProgressRecord& progress,
                 TIOParamsVals& params);
  ~TJpegRowReader() override;
  TJpegRowReader(const TJpegRowReader&) = delete;
  TJpegRowReader& operator=(const TJpegRowReader&) = delete;

  /// Header, options, the scale asked for in params and the size checks; params then hold the
  /// decoded size and the markers. Those of a file with several scans are all read here; a
  /// marker met inside a single scan's data is damage. paramsOnly stops before the decoder
  /// sets up for rows. False when the read was given up.
  bool Start(bool paramsOnly);
  /// Every row into bitmap, allocated for them through the claimed-image check.
  void DecodeInto(TImgBitmap& bitmap);
  int RowsDecoded() const;

  int Width() override;
  int Height() override;
  const std::uint8_t* Row(int y) override;

  /// Collects the markers, finishes the decode and notes its warnings and the damage found.
  void Finish();

 private:
  /// The next row into target (Width() pixels); false once the decode has given up, with a row
  /// it could not read black.
  bool DecodeRowInto(std::uint8_t* target);

  TByteStream& stream_;
  TByteStream* const tables_;
  const bool rawYCbCr_;
  TProgressRecord& progress_;
  TIOParamsVals& params_;
  bool ownFlag_ = false;
  bool* const aborting_;
  std::unique_ptr<TJpegReadSession> s_;
  bool paramsOnly_ = false;
  bool started_ = false;
  std::array<std::vector<std::uint8_t>, 4> kept_;
};
