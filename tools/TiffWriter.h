#pragma once

// A small little-endian TIFF writer for the sample folder and the benchmarks: strips or
// tiles, uncompressed, LZW (with horizontal differencing), PackBits, Deflate and Group 4.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "imaging/io/tiff/CcittCodes.h"

namespace tiffwriter {

enum Compression : std::uint16_t {
  kNone = 1,
  kGroup4 = 4,
  kLzw = 5,
  kDeflate = 8,
  kPackBits = 32773,
};

struct Page {
  int width = 0;
  int height = 0;
  int samples = 3;
  int bits = 8;
  int photometric = 2;  ///< 0 white-is-zero, 1 black-is-zero, 2 RGB
  Compression compression = kNone;
  bool predictor = false;
  int rowsPerStrip = 16;
  int tileSize = 0;  ///< square tiles of this size instead of strips
  int dpi = 300;
  std::vector<std::uint8_t> rows;  ///< height rows of (width x samples x bits + 7) / 8 bytes
};

class BitWriter {
 public:
  void Put(std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      current_ = static_cast<std::uint8_t>(current_ << 1 | ((value >> i) & 1));
      if (++filled_ == 8) {
        bytes_.push_back(current_);
        current_ = 0;
        filled_ = 0;
      }
    }
  }
  void PutText(std::string_view bits) {
    for (char bit : bits)
      Put(bit == '1' ? 1 : 0, 1);
  }
  std::vector<std::uint8_t> Finish() {
    if (filled_ > 0)
      Put(0, 8 - filled_);
    return std::move(bytes_);
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint8_t current_ = 0;
  int filled_ = 0;
};

inline std::vector<std::uint8_t> LzwEncode(const std::vector<std::uint8_t>& data) {
  constexpr int kClear = 256;
  constexpr int kEnd = 257;
  BitWriter out;
  std::unordered_map<std::uint32_t, int> table;
  int width = 9;
  int next = 258;
  out.Put(kClear, width);
  int prefix = -1;
  for (std::uint8_t byte : data) {
    if (prefix < 0) {
      prefix = byte;
      continue;
    }
    const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | byte;
    const auto found = table.find(key);
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    out.Put(static_cast<std::uint32_t>(prefix), width);
    table[key] = next++;
    if (next == 4094) {
      out.Put(kClear, width);
      table.clear();
      next = 258;
      width = 9;
    } else if (next > (1 << width) - 1) {
      ++width;
    }
    prefix = byte;
  }
  if (prefix >= 0)
    out.Put(static_cast<std::uint32_t>(prefix), width);
  out.Put(kEnd, width);
  return out.Finish();
}

inline std::vector<std::uint8_t> PackBitsEncode(const std::vector<std::uint8_t>& row) {
  std::vector<std::uint8_t> out;
  std::size_t i = 0;
  while (i < row.size()) {
    std::size_t run = 1;
    while (i + run < row.size() && run < 128 && row[i + run] == row[i])
      ++run;
    if (run >= 3) {
      out.push_back(static_cast<std::uint8_t>(257 - run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    std::size_t literal = 0;
    while (i + literal < row.size() && literal < 128 &&
           !(i + literal + 2 < row.size() && row[i + literal] == row[i + literal + 1] &&
             row[i + literal] == row[i + literal + 2]))
      ++literal;
    out.push_back(static_cast<std::uint8_t>(literal - 1));
    out.insert(out.end(), row.begin() + static_cast<std::ptrdiff_t>(i),
               row.begin() + static_cast<std::ptrdiff_t>(i + literal));
    i += literal;
  }
  return out;
}

inline std::vector<std::uint8_t> DeflateEncode(const std::vector<std::uint8_t>& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::vector<std::uint8_t> out(size);
  if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 6) != Z_OK)
    return {};
  out.resize(size);
  return out;
}

// Positions where a 1-bit row (set bit = black) changes colour, starting from white.
inline std::vector<int> Changes(const std::uint8_t* row, int width) {
  std::vector<int> changes;
  bool black = false;
  for (int x = 0; x < width; ++x) {
    const bool pixel = (row[x / 8] >> (7 - x % 8)) & 1;
    if (pixel != black) {
      changes.push_back(x);
      black = pixel;
    }
  }
  return changes;
}

inline void PutRun(BitWriter& out, bool black, int run) {
  while (run >= 2560) {
    out.PutText(CcittRunCodeText(black, 2560));
    run -= 2560;
  }
  if (run >= 64) {
    out.PutText(CcittRunCodeText(black, run / 64 * 64));
    run %= 64;
  }
  out.PutText(CcittRunCodeText(black, run));
}

/// Group 4 coding of 1-bit rows whose set bits are black.
inline std::vector<std::uint8_t> Group4Encode(const std::vector<std::uint8_t>& rows, int width,
                                              int height) {
  const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
  BitWriter out;
  std::vector<int> reference;
  for (int y = 0; y < height; ++y) {
    std::vector<int> coding = Changes(&rows[y * rowBytes], width);
    std::vector<int> ref = reference;
    ref.insert(ref.end(), 3, width);
    coding.insert(coding.end(), 3, width);
    int a0 = -1;
    bool black = false;
    std::size_t ai = 0;
    while (a0 < width) {
      while (coding[ai] <= a0)
        ++ai;
      const int a1 = coding[ai];
      std::size_t bi = 0;
      while (ref[bi] <= a0 || (bi & 1) != (black ? 1u : 0u))
        ++bi;
      const int b1 = ref[bi];
      const int b2 = ref[bi + 1];
      if (b2 < a1) {
        out.PutText("0001");
        a0 = b2;
      } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
        static constexpr std::string_view kVertical[] = {"0000010", "000010", "010",    "1",
                                                         "011",     "000011", "0000011"};
        out.PutText(kVertical[a1 - b1 + 3]);
        a0 = a1;
        black = !black;
      } else {
        const int a2 = coding[ai + 1];
        out.PutText("001");
        PutRun(out, black, a1 - std::max(a0, 0));
        PutRun(out, !black, a2 - a1);
        a0 = a2;
      }
    }
    coding.resize(coding.size() - 3);
    reference = coding;
  }
  out.PutText("000000000001000000000001");
  return out.Finish();
}

inline void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

/// The bytes of one block (rows of rowBytes bytes) coded by the page's compression.
inline std::vector<std::uint8_t> EncodeBlock(const Page& page, std::vector<std::uint8_t> block,
                                             std::size_t rowBytes, int blockWidth) {
  const std::size_t rows = block.size() / rowBytes;
  if (page.predictor) {
    const std::size_t stride = static_cast<std::size_t>(page.samples);
    for (std::size_t r = 0; r < rows; ++r)
      for (std::size_t i = rowBytes - 1; i >= stride; --i)
        block[r * rowBytes + i] =
            static_cast<std::uint8_t>(block[r * rowBytes + i] - block[r * rowBytes + i - stride]);
  }
  switch (page.compression) {
    case kLzw:
      return LzwEncode(block);
    case kDeflate:
      return DeflateEncode(block);
    case kPackBits: {
      std::vector<std::uint8_t> out;
      for (std::size_t r = 0; r < rows; ++r) {
        const std::vector<std::uint8_t> row(
            block.begin() + static_cast<std::ptrdiff_t>(r * rowBytes),
            block.begin() + static_cast<std::ptrdiff_t>((r + 1) * rowBytes));
        const std::vector<std::uint8_t> coded = PackBitsEncode(row);
        out.insert(out.end(), coded.begin(), coded.end());
      }
      return out;
    }
    case kGroup4: {
      // The coding reads set bits as black; white-is-zero pages store black as 1 already.
      if (page.photometric == 1)
        for (std::uint8_t& byte : block)
          byte = static_cast<std::uint8_t>(~byte);
      return Group4Encode(block, blockWidth, static_cast<int>(rows));
    }
    default:
      return block;
  }
}

/// The whole file for one page.
/// A white Group 4 fax page in one strip, its rows cleared, for the caller to draw black on.
inline Page BilevelFaxPage(int width, int height) {
  Page page;
  page.width = width;
  page.height = height;
  page.samples = 1;
  page.bits = 1;
  page.photometric = 0;
  page.compression = kGroup4;
  page.rowsPerStrip = height;
  page.rows.assign((static_cast<std::size_t>(width) + 7) / 8 * height, 0);
  return page;
}

inline std::vector<std::uint8_t> Encode(const Page& page) {
  const std::size_t rowBytes =
      (static_cast<std::size_t>(page.width) * page.samples * page.bits + 7) / 8;
  std::vector<std::vector<std::uint8_t>> blocks;
  if (page.tileSize > 0) {
    const int tile = page.tileSize;
    const std::size_t tileRowBytes = static_cast<std::size_t>(tile) * page.samples * page.bits / 8;
    const std::size_t pixelBytes = static_cast<std::size_t>(page.samples) * page.bits / 8;
    for (int y0 = 0; y0 < page.height; y0 += tile)
      for (int x0 = 0; x0 < page.width; x0 += tile) {
        std::vector<std::uint8_t> block(tileRowBytes * tile, 0);
        for (int y = 0; y < tile && y0 + y < page.height; ++y) {
          const int columns = std::min(tile, page.width - x0);
          std::copy_n(&page.rows[(y0 + y) * rowBytes + x0 * pixelBytes], columns * pixelBytes,
                      &block[y * tileRowBytes]);
        }
        blocks.push_back(EncodeBlock(page, std::move(block), tileRowBytes, tile));
      }
  } else {
    for (int y0 = 0; y0 < page.height; y0 += page.rowsPerStrip) {
      const int rows = std::min(page.rowsPerStrip, page.height - y0);
      std::vector<std::uint8_t> block(
          page.rows.begin() + static_cast<std::ptrdiff_t>(y0 * rowBytes),
          page.rows.begin() + static_cast<std::ptrdiff_t>((y0 + rows) * rowBytes));
      blocks.push_back(EncodeBlock(page, std::move(block), rowBytes, page.width));
    }
  }

  std::vector<std::uint8_t> out = {'I', 'I', 42, 0, 0, 0, 0, 0};
  std::vector<std::uint32_t> offsets;
  std::vector<std::uint32_t> counts;
  for (const auto& block : blocks) {
    offsets.push_back(static_cast<std::uint32_t>(out.size()));
    counts.push_back(static_cast<std::uint32_t>(block.size()));
    out.insert(out.end(), block.begin(), block.end());
    if (out.size() % 2 != 0)
      out.push_back(0);
  }
  auto array = [&out](const std::vector<std::uint32_t>& values) {
    const auto at = static_cast<std::uint32_t>(out.size());
    for (std::uint32_t value : values)
      Put(out, value, 4);
    return at;
  };
  const std::uint32_t offsetsAt = array(offsets);
  const std::uint32_t countsAt = array(counts);
  const std::uint32_t bitsAt = array({});
  for (int s = 0; s < page.samples; ++s)
    Put(out, static_cast<std::uint32_t>(page.bits), 2);
  const auto resolutionAt = static_cast<std::uint32_t>(out.size());
  Put(out, static_cast<std::uint32_t>(page.dpi), 4);
  Put(out, 1, 4);

  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
  };
  const bool tiled = page.tileSize > 0;
  const auto blockCount = static_cast<std::uint32_t>(blocks.size());
  std::vector<Entry> entries = {
      {256, 4, 1, static_cast<std::uint32_t>(page.width)},
      {257, 4, 1, static_cast<std::uint32_t>(page.height)},
      {258, 3, static_cast<std::uint32_t>(page.samples),
       page.samples == 1 ? page.bits * 1u : bitsAt},
      {259, 3, 1, page.compression},
      {262, 3, 1, static_cast<std::uint32_t>(page.photometric)},
      {tiled ? std::uint16_t{324} : std::uint16_t{273}, 4, blockCount,
       blockCount == 1 ? offsets[0] : offsetsAt},
      {277, 3, 1, static_cast<std::uint32_t>(page.samples)},
      {tiled ? std::uint16_t{325} : std::uint16_t{279}, 4, blockCount,
       blockCount == 1 ? counts[0] : countsAt},
      {282, 5, 1, resolutionAt},
      {283, 5, 1, resolutionAt},
      {296, 3, 1, 2},
  };
  if (!tiled)
    entries.push_back({278, 4, 1, static_cast<std::uint32_t>(page.rowsPerStrip)});
  if (page.predictor)
    entries.push_back({317, 3, 1, 2});
  if (tiled) {
    entries.push_back({322, 3, 1, static_cast<std::uint32_t>(page.tileSize)});
    entries.push_back({323, 3, 1, static_cast<std::uint32_t>(page.tileSize)});
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
  const auto directoryAt = static_cast<std::uint32_t>(out.size());
  Put(out, static_cast<std::uint32_t>(entries.size()), 2);
  for (const Entry& entry : entries) {
    Put(out, entry.tag, 2);
    Put(out, entry.type, 2);
    Put(out, entry.count, 4);
    Put(out, entry.value, 4);
  }
  Put(out, 0, 4);
  for (int i = 0; i < 4; ++i)
    out[4 + i] = static_cast<std::uint8_t>(directoryAt >> (8 * i));
  return out;
}

inline bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace tiffwriter
