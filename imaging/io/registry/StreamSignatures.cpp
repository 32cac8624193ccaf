#include "imaging/io/registry/StreamSignatures.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "imaging/io/ByteReader.h"

namespace {

constexpr int kIconDirectorySize = 6;
constexpr int kIconEntrySize = 16;
constexpr int kTgaHeaderSize = 18;

bool StartsWith(std::span<const std::uint8_t> head, std::span<const std::uint8_t> prefix,
                std::size_t at = 0) {
  return head.size() >= at + prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), head.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

bool StartsWithText(std::span<const std::uint8_t> head, std::string_view text, std::size_t at) {
  return StartsWith(head, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, at);
}

bool HasZeroTerminatedTag(std::span<const std::uint8_t> head, std::size_t length, const char* tag) {
  const std::span<const std::uint8_t> field = head.first(std::min(length, head.size()));
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  const std::string_view text(reinterpret_cast<const char*>(field.data()),
                              static_cast<std::size_t>(end - field.begin()));
  return text == tag;
}

bool HasPngSignature(std::span<const std::uint8_t> head) {
  static constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P',  'N',  'G',
                                                             0x0D, 0x0A, 0x1A, 0x0A};
  return StartsWith(head, kSignature);
}

bool LooksLikeIconDirectory(std::span<const std::uint8_t> head, int resourceType) {
  TByteReader reader(head);
  const int reserved = reader.U16();
  const int type = reader.U16();
  const int count = reader.U16();
  reader.Skip(3);  // width, height, colour count of the first entry
  const int entryReserved = reader.U8();
  reader.Skip(4);  // planes and bit count, or a cursor's hot spot
  const std::uint32_t imageSize = reader.U32();
  const std::uint32_t imageOffset = reader.U32();
  if (reader.Overran() || reserved != 0 || type != resourceType || count == 0 ||
      entryReserved != 0 || imageSize == 0) {
    return false;
  }
  return imageOffset >= static_cast<std::uint32_t>(kIconDirectorySize + kIconEntrySize * count);
}

bool LooksLikeTgaHeader(std::span<const std::uint8_t> head) {
  if (head.size() < kTgaHeaderSize)
    return false;
  TByteReader reader(head);
  reader.Skip(1);  // identification length
  const int colorMapType = reader.U8();
  const int imageType = reader.U8();
  const int colorMapFirst = reader.U16();
  const int colorMapLength = reader.U16();
  const int colorMapEntryBits = reader.U8();
  reader.Skip(4);  // image origin
  const int width = reader.U16();
  const int height = reader.U16();
  const int pixelBits = reader.U8();
  const int descriptor = reader.U8();
  const bool mapped = imageType == 1 || imageType == 9;
  const bool unmapped = imageType == 2 || imageType == 3 || imageType == 10 || imageType == 11;
  const bool depthKnown =
      pixelBits == 8 || pixelBits == 15 || pixelBits == 16 || pixelBits == 24 || pixelBits == 32;
  if (width == 0 || height == 0 || !depthKnown || (descriptor & 0xC0) != 0)
    return false;
  if (colorMapType == 1) {
    const bool entryKnown = colorMapEntryBits == 15 || colorMapEntryBits == 16 ||
                            colorMapEntryBits == 24 || colorMapEntryBits == 32;
    return mapped && entryKnown && colorMapLength > 0;
  }
  return colorMapType == 0 && unmapped && colorMapFirst == 0 && colorMapLength == 0 &&
         colorMapEntryBits == 0;
}

bool LooksLikePnmHeader(std::span<const std::uint8_t> head) {
  if (head.size() < 3 || head[0] != 'P' || head[1] < '1' || head[1] > '7')
    return false;
  return std::string_view(" \t\r\n").find(static_cast<char>(head[2])) != std::string_view::npos;
}

bool HasJpeg2000FileSignature(std::span<const std::uint8_t> head) {
  static constexpr std::array<std::uint8_t, 12> kSignatureBox = {
      0x00, 0x00, 0x00, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  return StartsWith(head, kSignatureBox);
}

bool HasJpeg2000CodeStreamStart(std::span<const std::uint8_t> head) {
  // Start of code stream, then the image and tile size segment that must follow it.
  static constexpr std::array<std::uint8_t, 4> kStart = {0xFF, 0x4F, 0xFF, 0x51};
  return StartsWith(head, kStart);
}

bool HasAviSignature(std::span<const std::uint8_t> head) {
  return StartsWithText(head, "RIFF") && StartsWithText(head, "AVI ", 8);
}
