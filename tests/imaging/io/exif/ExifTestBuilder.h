#pragma once

// Builds EXIF APP1 blocks in either byte order from a few entries, as cameras write them:
// header, first directory, EXIF directory, thumbnail directory, then the data area.

#include <cstdint>
#include <string>
#include <vector>

class ExifTestBuilder {
 public:
  using Bytes = std::vector<std::uint8_t>;
  struct Entry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    Bytes value;         ///< in the block's byte order
    bool offsetToValue;  ///< a LONG holding the offset of value in the data area
  };
  using Directory = std::vector<Entry>;

  explicit ExifTestBuilder(bool bigEndian) : big_(bigEndian) {}

  Entry Ascii(std::uint16_t tag, const std::string& text) const {
    Bytes value(text.begin(), text.end());
    value.push_back(0);
    return {tag, 2, static_cast<std::uint32_t>(value.size()), value, false};
  }
  Entry Short(std::uint16_t tag, std::vector<std::uint16_t> values) const {
    Bytes value;
    for (std::uint16_t v : values)
      Put(value, v, 2);
    return {tag, 3, static_cast<std::uint32_t>(values.size()), value, false};
  }
  Entry Rational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator,
                 std::uint16_t type = 5) const {
    Bytes value;
    Put(value, numerator, 4);
    Put(value, denominator, 4);
    return {tag, type, 1, value, false};
  }
  Entry Undefined(std::uint16_t tag, const std::string& bytes) const {
    return {tag, 7, static_cast<std::uint32_t>(bytes.size()), Bytes(bytes.begin(), bytes.end()),
            false};
  }
  /// A LONG entry pointing at blob, which goes to the data area.
  Entry OffsetOf(std::uint16_t tag, const Bytes& blob) const { return {tag, 4, 1, blob, true}; }
  Entry Long(std::uint16_t tag, std::uint32_t number) const {
    Bytes value;
    Put(value, number, 4);
    return {tag, 4, 1, value, false};
  }

  /// "Exif\0\0" and the structure; an EXIF directory adds its pointer to the first one.
  Bytes Build(Directory first, const Directory& exif = {}, const Directory& thumbnail = {}) const {
    const auto size = [](const Directory& d) { return d.empty() ? 0u : 6u + 12u * d.size(); };
    if (!exif.empty())
      first.push_back(Long(34665, 0));  // patched below
    const std::uint32_t firstAt = 8;
    const std::uint32_t exifAt = firstAt + static_cast<std::uint32_t>(size(first));
    const std::uint32_t thumbnailAt = exifAt + static_cast<std::uint32_t>(size(exif));
    std::uint32_t dataAt = thumbnailAt + static_cast<std::uint32_t>(size(thumbnail));
    if (!exif.empty()) {
      first.back().value.clear();
      Put(first.back().value, exifAt, 4);
    }
    Bytes data;
    Bytes tiff = big_ ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
    Put(tiff, 42, 2);
    Put(tiff, firstAt, 4);
    WriteDirectory(tiff, data, dataAt, first, thumbnail.empty() ? 0 : thumbnailAt);
    WriteDirectory(tiff, data, dataAt, exif, 0);
    WriteDirectory(tiff, data, dataAt, thumbnail, 0);
    tiff.insert(tiff.end(), data.begin(), data.end());
    Bytes block = {'E', 'x', 'i', 'f', 0, 0};
    block.insert(block.end(), tiff.begin(), tiff.end());
    return block;
  }

 private:
  void Put(Bytes& out, std::uint32_t value, int bytes) const {
    for (int i = 0; i < bytes; ++i) {
      const int shift = big_ ? 8 * (bytes - 1 - i) : 8 * i;
      out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  }
  void WriteDirectory(Bytes& out, Bytes& data, std::uint32_t dataAt, const Directory& directory,
                      std::uint32_t next) const {
    if (directory.empty())
      return;
    Put(out, static_cast<std::uint32_t>(directory.size()), 2);
    for (const Entry& entry : directory) {
      Put(out, entry.tag, 2);
      Put(out, entry.type, 2);
      Put(out, entry.count, 4);
      if (entry.offsetToValue || entry.value.size() > 4) {
        Put(out, dataAt + static_cast<std::uint32_t>(data.size()), 4);
        data.insert(data.end(), entry.value.begin(), entry.value.end());
      } else {
        Bytes field = entry.value;
        field.resize(4, 0);
        out.insert(out.end(), field.begin(), field.end());
      }
    }
    Put(out, next, 4);
  }

  bool big_;
};
