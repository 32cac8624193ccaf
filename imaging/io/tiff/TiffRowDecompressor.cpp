#include "imaging/io/tiff/TiffRowDecompressor.h"

#include <algorithm>
#include <cstring>

#include "imaging/io/tiff/CcittDecoder.h"
#include "imaging/io/tiff/PackBitsDecoder.h"
#include "imaging/io/tiff/TiffDeflateDecoder.h"
#include "imaging/io/tiff/TiffVars.h"

namespace {

class TUncompressedRows : public TTiffRowDecompressor {
 public:
  explicit TUncompressedRows(std::span<const std::uint8_t> block) : block_(block) {}
  bool NextRow(std::span<std::uint8_t> row) override {
    const std::size_t available = std::min(row.size(), block_.size() - position_);
    std::memcpy(row.data(), block_.data() + position_, available);
    std::memset(row.data() + available, 0, row.size() - available);
    position_ += available;
    return true;
  }

 private:
  std::span<const std::uint8_t> block_;
  std::size_t position_ = 0;
};

class TPackBitsRows : public TTiffRowDecompressor {
 public:
  explicit TPackBitsRows(std::span<const std::uint8_t> block) : block_(block) {}
  bool NextRow(std::span<std::uint8_t> row) override {
    const std::size_t produced = DecodePackBitsRow(block_, position_, row);
    std::memset(row.data() + produced, 0, row.size() - produced);
    return true;
  }

 private:
  std::span<const std::uint8_t> block_;
  std::size_t position_ = 0;
};

class TLzwRows : public TTiffRowDecompressor {
 public:
  TLzwRows(const TTIFFLZWDecoder& decoder, std::span<const std::uint8_t> block)
      : decoder_(decoder), block_(block) {}
  ~TLzwRows() override {
    if (state_ != nullptr)
      decoder_(nullptr, 0, 0, state_);
  }
  TLzwRows(const TLzwRows&) = delete;
  TLzwRows& operator=(const TLzwRows&) = delete;

  bool NextRow(std::span<std::uint8_t> row) override {
    const std::uint8_t* decoded = decoder_(block_.data(), static_cast<std::int64_t>(block_.size()),
                                           static_cast<int>(row.size()), state_);
    if (decoded == nullptr)
      return false;
    std::memcpy(row.data(), decoded, row.size());
    return true;
  }

 private:
  const TTIFFLZWDecoder& decoder_;
  std::span<const std::uint8_t> block_;
  std::unique_ptr<TLZWCodecState> state_;
};

class TCcittRows : public TTiffRowDecompressor {
 public:
  TCcittRows(std::span<const std::uint8_t> block, int width, TCcittScheme scheme, bool fillBits)
      : decoder_(block, width, scheme, fillBits) {}
  bool NextRow(std::span<std::uint8_t> row) override {
    decoder_.NextRow(row);
    return true;
  }

 private:
  TCcittDecoder decoder_;
};

TCcittScheme CcittSchemeOf(const TTIFFVars& vars) {
  switch (vars.compression) {
    case tiffcompression::kModifiedHuffman:
      return TCcittScheme::ModifiedHuffman;
    case tiffcompression::kGroup3:
      return (vars.t4Options & 1) != 0 ? TCcittScheme::Group3TwoD : TCcittScheme::Group3OneD;
    default:
      return TCcittScheme::Group4;
  }
}

// Group 3 option bit 2: rows may be padded with zero fill bits before their end-of-line.
constexpr std::uint32_t kT4FillBits = 4;

class TDeflateRows : public TTiffRowDecompressor {
 public:
  explicit TDeflateRows(std::span<const std::uint8_t> block) : decoder_(block) {}
  bool NextRow(std::span<std::uint8_t> row) override { return decoder_.NextRow(row); }

 private:
  TTiffDeflateDecoder decoder_;
};

}  // namespace

bool TiffRowCompressionSupported(std::uint32_t compression) {
  switch (compression) {
    case tiffcompression::kNone:
    case tiffcompression::kModifiedHuffman:
    case tiffcompression::kGroup3:
    case tiffcompression::kGroup4:
    case tiffcompression::kLzw:
    case tiffcompression::kPackBits:
    case tiffcompression::kDeflate:
    case tiffcompression::kDeflateOld:
      return true;
    default:
      return false;
  }
}

std::unique_ptr<TTiffRowDecompressor> MakeTiffRowDecompressor(const TTIFFVars& vars,
                                                              std::span<const std::uint8_t> block,
                                                              int width, std::size_t /*rowBytes*/) {
  switch (vars.compression) {
    case tiffcompression::kNone:
      return std::make_unique<TUncompressedRows>(block);
    case tiffcompression::kPackBits:
      return std::make_unique<TPackBitsRows>(block);
    case tiffcompression::kLzw:
      return std::make_unique<TLzwRows>(vars.lzwDecoder, block);
    case tiffcompression::kDeflate:
    case tiffcompression::kDeflateOld:
      return std::make_unique<TDeflateRows>(block);
    case tiffcompression::kModifiedHuffman:
    case tiffcompression::kGroup3:
    case tiffcompression::kGroup4:
      return std::make_unique<TCcittRows>(block, width, CcittSchemeOf(vars),
                                          (vars.t4Options & kT4FillBits) != 0);
    default:
      return nullptr;
  }
}
