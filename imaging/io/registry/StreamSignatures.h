#pragma once

#include <cstdint>
#include <span>
#include <string_view>

/// Content tests on the first bytes of a stream, for formats recognised without their codec.
/// Each takes as many bytes as the stream holds from its position (a few hundred at most) and
/// answers whether they begin a file of that format.

/// The bytes from offset `at` spell `text`.
bool StartsWithText(std::span<const std::uint8_t> head, std::string_view text, std::size_t at = 0);
bool HasPngSignature(std::span<const std::uint8_t> head);
/// An icon or a cursor directory: reserved zero, the resource type, at least one entry whose
/// image starts after the directory.
bool LooksLikeIconDirectory(std::span<const std::uint8_t> head, int resourceType);
/// TGA has no signature: a plausible 18-byte header (colour-map and image types, pixel depth,
/// non-zero size) is taken as one.
bool LooksLikeTgaHeader(std::span<const std::uint8_t> head);
/// "P1" to "P7" followed by white space.
bool LooksLikePnmHeader(std::span<const std::uint8_t> head);
bool HasJpeg2000FileSignature(std::span<const std::uint8_t> head);
bool HasJpeg2000CodeStreamStart(std::span<const std::uint8_t> head);
bool HasAviSignature(std::span<const std::uint8_t> head);
/// The tag of the library's own 12-byte block header: the first bytes up to a zero byte, read
/// from at most `length` bytes, equal `tag`.
bool HasZeroTerminatedTag(std::span<const std::uint8_t> head, std::size_t length, const char* tag);
