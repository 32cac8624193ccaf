#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

/// Builds small TIFF files byte by byte, in either byte order, for the cases no writer makes:
/// damaged chains, odd tag values, strips that stop short.
class TTiffBuilder {
 public:
  static constexpr std::uint16_t kShort = 3;
  static constexpr std::uint16_t kLong = 4;
  static constexpr std::uint16_t kRational = 5;
  static constexpr std::uint16_t kAscii = 2;
  static constexpr std::uint16_t kUndefined = 7;

  explicit TTiffBuilder(bool bigEndian = false) : big_(bigEndian) {}

  /// Starts a new page; the tags set afterwards belong to it.
  TTiffBuilder& Page() {
    pages_.emplace_back();
    return *this;
  }
  TTiffBuilder& Shorts(std::uint16_t tag, std::vector<std::uint32_t> values) {
    return Numbers(tag, kShort, std::move(values));
  }
  TTiffBuilder& Longs(std::uint16_t tag, std::vector<std::uint32_t> values) {
    return Numbers(tag, kLong, std::move(values));
  }
  TTiffBuilder& Rational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) {
    std::vector<std::uint8_t> bytes;
    Put(bytes, numerator, 4);
    Put(bytes, denominator, 4);
    return Raw(tag, kRational, 1, std::move(bytes));
  }
  TTiffBuilder& Ascii(std::uint16_t tag, const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    const auto count = static_cast<std::uint32_t>(bytes.size());
    return Raw(tag, kAscii, count, std::move(bytes));
  }
  /// One strip holding these bytes (offsets and byte counts are filled in by Build).
  TTiffBuilder& Strip(std::vector<std::uint8_t> bytes, bool withByteCount = true) {
    pages_.back().strips.push_back(std::move(bytes));
    pages_.back().byteCounts = withByteCount;
    return *this;
  }
  /// The basic tags of an uncompressed strip image.
  TTiffBuilder& Image(int width, int height, int samples, int bits, int photometric) {
    Longs(256, {static_cast<std::uint32_t>(width)});
    Longs(257, {static_cast<std::uint32_t>(height)});
    Shorts(258, std::vector<std::uint32_t>(static_cast<std::size_t>(samples),
                                           static_cast<std::uint32_t>(bits)));
    Shorts(262, {static_cast<std::uint32_t>(photometric)});
    return Shorts(277, {static_cast<std::uint32_t>(samples)});
  }
  /// The next-directory offset of the last page: 0 ends the chain; a page index points back.
  TTiffBuilder& LastPointsTo(int page) {
    loopTo_ = page;
    return *this;
  }
  TTiffBuilder& FirstOffsetZero() {
    firstOffsetZero_ = true;
    return *this;
  }

  std::vector<std::uint8_t> Build() const {
    std::vector<std::uint8_t> out;
    out.push_back(big_ ? 'M' : 'I');
    out.push_back(big_ ? 'M' : 'I');
    Put(out, 42, 2);
    Put(out, 0, 4);
    std::vector<std::size_t> directoryAt;
    std::vector<std::size_t> nextFieldAt;
    for (const TPage& source : pages_) {
      TPage page = source;
      std::vector<std::uint32_t> offsets;
      std::vector<std::uint32_t> counts;
      for (const auto& strip : page.strips) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        counts.push_back(static_cast<std::uint32_t>(strip.size()));
        out.insert(out.end(), strip.begin(), strip.end());
      }
      if (!page.strips.empty()) {
        page.entries[273] = NumberEntry(kLong, offsets);
        if (page.byteCounts)
          page.entries[279] = NumberEntry(kLong, counts);
      }
      // Values of more than four bytes go before the directory.
      std::map<std::uint16_t, std::uint32_t> valueOffsets;
      for (const auto& [tag, entry] : page.entries) {
        if (entry.bytes.size() > 4) {
          if (out.size() % 2 != 0)
            out.push_back(0);
          valueOffsets[tag] = static_cast<std::uint32_t>(out.size());
          out.insert(out.end(), entry.bytes.begin(), entry.bytes.end());
        }
      }
      if (out.size() % 2 != 0)
        out.push_back(0);
      directoryAt.push_back(out.size());
      Put(out, static_cast<std::uint32_t>(page.entries.size()), 2);
      for (const auto& [tag, entry] : page.entries) {
        Put(out, tag, 2);
        Put(out, entry.type, 2);
        Put(out, entry.count, 4);
        if (entry.bytes.size() > 4) {
          Put(out, valueOffsets[tag], 4);
        } else {
          std::vector<std::uint8_t> field = entry.bytes;
          field.resize(4, 0);
          out.insert(out.end(), field.begin(), field.end());
        }
      }
      nextFieldAt.push_back(out.size());
      Put(out, 0, 4);
    }
    if (!directoryAt.empty() && !firstOffsetZero_)
      Patch(out, 4, static_cast<std::uint32_t>(directoryAt[0]));
    for (std::size_t i = 0; i + 1 < directoryAt.size(); ++i)
      Patch(out, nextFieldAt[i], static_cast<std::uint32_t>(directoryAt[i + 1]));
    if (loopTo_ >= 0 && !nextFieldAt.empty())
      Patch(out, nextFieldAt.back(), static_cast<std::uint32_t>(directoryAt[std::size_t(loopTo_)]));
    return out;
  }

 private:
  struct TEntry {
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::vector<std::uint8_t> bytes;  // in the file's byte order
  };
  struct TPage {
    std::map<std::uint16_t, TEntry> entries;
    std::vector<std::vector<std::uint8_t>> strips;
    bool byteCounts = true;
  };

  void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int size) const {
    for (int i = 0; i < size; ++i) {
      const int shift = big_ ? 8 * (size - 1 - i) : 8 * i;
      out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  }
  void Patch(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) const {
    std::vector<std::uint8_t> bytes;
    Put(bytes, value, 4);
    std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
  }
  TEntry NumberEntry(std::uint16_t type, const std::vector<std::uint32_t>& values) const {
    TEntry entry{type, static_cast<std::uint32_t>(values.size()), {}};
    for (std::uint32_t value : values)
      Put(entry.bytes, value, type == kShort ? 2 : 4);
    return entry;
  }
  TTiffBuilder& Numbers(std::uint16_t tag, std::uint16_t type, std::vector<std::uint32_t> values) {
    pages_.back().entries[tag] = NumberEntry(type, values);
    return *this;
  }
  TTiffBuilder& Raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                    std::vector<std::uint8_t> bytes) {
    pages_.back().entries[tag] = TEntry{type, count, std::move(bytes)};
    return *this;
  }

  bool big_;
  std::vector<TPage> pages_;
  int loopTo_ = -1;
  bool firstOffsetZero_ = false;
};
