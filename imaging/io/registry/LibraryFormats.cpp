#include "imaging/io/registry/LibraryFormats.h"

#include <array>
#include <cstdint>
#include <mutex>

#include "imaging/io/heif/HeifReader.h"
#include "imaging/io/registry/FileFormatRegistry.h"
#include "imaging/io/registry/FormatIds.h"
#include "imaging/io/webp/WebpReader.h"
#include "platform/ByteStream.h"

namespace {

// Enough for the RIFF header and an `ftyp` box with a dozen compatible brands.
constexpr std::int64_t kHeadSize = 64;

template <typename Test>
TFileFormatTest OnHead(Test test) {
  return [test](TByteStream& stream) {
    std::array<std::uint8_t, kHeadSize> head{};
    const std::int64_t read = stream.Read(head.data(), kHeadSize);
    return read > 0 &&
           test(std::span<const std::uint8_t>(head.data(), static_cast<std::size_t>(read)));
  };
}

FileFormatEntry Row(int id, const char* name, const char* extensions, TFileFormatRead read,
                    TFileFormatTest test) {
  FileFormatEntry entry;
  entry.FormatId = id;
  entry.DisplayName = name;
  entry.Extensions = extensions;
  entry.Read = std::move(read);
  entry.Test = std::move(test);
  return entry;
}

}  // namespace

void AddLibraryFormats() {
  static std::once_flag once;
  std::call_once(once, [] {
    AddFileFormat(Row(kFormatWebp, "WebP Image", "WEBP", ReadWebpImage, OnHead(HasWebpSignature)));
    AddFileFormat(Row(kFormatHeif, "High Efficiency Image", "HEIC;HEIF", ReadHeifImage,
                      OnHead([](std::span<const std::uint8_t> head) {
                        return HeifBrandOf(head) == THeifBrand::Heif;
                      })));
    AddFileFormat(Row(kFormatAvif, "AV1 Image", "AVIF", ReadHeifImage,
                      OnHead([](std::span<const std::uint8_t> head) {
                        return HeifBrandOf(head) == THeifBrand::Avif;
                      })));
  });
}
