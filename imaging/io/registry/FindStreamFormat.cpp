#include "imaging/io/registry/FindStreamFormat.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "imaging/io/jpeg/JpegStart.h"
#include "imaging/io/registry/FileFormatRegistry.h"
#include "imaging/io/registry/FormatIds.h"
#include "imaging/io/registry/StreamSignatures.h"
#include "platform/ByteStream.h"

namespace {

// Enough for every built-in signature; the JPEG search reads its own window.
constexpr std::int64_t kHeadSize = 64;
constexpr std::size_t kBlockTagLength = 5;
constexpr std::uint8_t kPcxManufacturer = 10;
constexpr std::uint8_t kPcxLastVersion = 5;

// Returns to the remembered position however a probe ends.
class TPositionKeeper {
 public:
  explicit TPositionKeeper(TByteStream& stream) : stream_(stream), start_(stream.Position()) {}
  ~TPositionKeeper() { Restore(); }
  TPositionKeeper(const TPositionKeeper&) = delete;
  TPositionKeeper& operator=(const TPositionKeeper&) = delete;
  std::int64_t Start() const { return start_; }
  void Restore() { stream_.SetPosition(start_); }

 private:
  TByteStream& stream_;
  std::int64_t start_;
};

int FindRegisteredFormat(TByteStream& stream, TPositionKeeper& position) {
  for (const FileFormatEntry& row : FileFormatRegistry()) {
    if (!row.Test)
      continue;
    const bool recognised = row.Test(stream);
    position.Restore();
    if (recognised)
      return row.FormatId;
  }
  return kFormatUnknown;
}

int FindBuiltInFormat(std::span<const std::uint8_t> head, std::int64_t available) {
  const auto starts = [&](std::string_view text) { return StartsWithText(head, text); };
  if (available > 12 && HasZeroTerminatedTag(head, kBlockTagLength, "JFIF"))
    return kFormatJpeg;
  if (available > 13 && starts("GIF"))
    return kFormatGif;
  if (available > 12 && HasZeroTerminatedTag(head, kBlockTagLength, "PCX2"))
    return kFormatPcx;
  if (available > 4 && HasZeroTerminatedTag(head, 4, "PCX"))
    return kFormatPcx;
  if (available > 14 && starts("BM"))
    return kFormatBmp;
  if (available > 128 && head.size() >= 2 && head[0] == kPcxManufacturer &&
      head[1] <= kPcxLastVersion)
    return kFormatPcx;
  if (available > 12 && HasZeroTerminatedTag(head, kBlockTagLength, "TIFF"))
    return kFormatTiff;
  if (available > 8 && (starts("II") || starts("MM")))
    return kFormatTiff;
  if (available > 8 && HasPngSignature(head))
    return kFormatPng;
  if (LooksLikeIconDirectory(head, 1))
    return kFormatIcon;
  if (LooksLikeIconDirectory(head, 2))
    return kFormatCursor;
  if (LooksLikeTgaHeader(head))
    return kFormatTga;
  if (LooksLikePnmHeader(head))
    return kFormatPnm;
  return kFormatUnknown;
}

int FindLaterFormat(std::span<const std::uint8_t> head) {
  if (HasJpeg2000FileSignature(head))
    return kFormatJpeg2000;
  if (HasJpeg2000CodeStreamStart(head))
    return kFormatJpeg2000CodeStream;
  if (HasAviSignature(head))
    return kFormatAvi;
  return kFormatUnknown;
}

}  // namespace

int FindStreamFormat(TByteStream& stream) {
  TPositionKeeper position(stream);
  try {
    if (const int id = FindRegisteredFormat(stream, position); id != kFormatUnknown)
      return id;
    const std::int64_t available = stream.Size() - position.Start();
    std::array<std::uint8_t, kHeadSize> buffer{};
    const std::int64_t read = stream.Read(buffer.data(), kHeadSize);
    position.Restore();
    const std::span<const std::uint8_t> head(buffer.data(),
                                             static_cast<std::size_t>(read > 0 ? read : 0));
    if (head.empty())
      return kFormatUnknown;
    if (const int id = FindBuiltInFormat(head, available); id != kFormatUnknown)
      return id;
    if (FindJpegStart(stream) >= 0)
      return kFormatJpeg;
    return FindLaterFormat(head);
  } catch (...) {
    // A test that fails on a strange stream ends the search; nothing was found.
    return kFormatUnknown;
  }
}
