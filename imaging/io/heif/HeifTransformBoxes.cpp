#include "imaging/io/heif/HeifTransformBoxes.h"

#include <optional>
#include <string_view>
#include <vector>

#include "imaging/io/ByteReader.h"

namespace {

constexpr std::size_t kBoxHeader = 8;
constexpr std::size_t kFullBoxHeader = 12;  // the box header, a version and three flag bytes

// One box: its type and the bytes after its header (a full box's version and flags included).
struct TBox {
  std::string_view type;
  std::span<const std::uint8_t> body;
};

// The boxes that follow each other in data, up to the first one that does not fit.
std::vector<TBox> BoxesIn(std::span<const std::uint8_t> data) {
  std::vector<TBox> boxes;
  TByteReader reader(data, TByteReader::Endian::Big);
  while (reader.Remaining() >= kBoxHeader) {
    const std::size_t start = reader.Offset();
    std::uint64_t size = reader.U32();
    const auto type = reader.View(4);
    std::size_t header = kBoxHeader;
    if (size == 1) {
      size = std::uint64_t{reader.U32()} << 32;
      size |= reader.U32();
      header += 8;
    } else if (size == 0) {
      size = data.size() - start;
    }
    if (reader.Overran() || size < header || !reader.Contains(start, size))
      break;
    boxes.push_back({std::string_view(reinterpret_cast<const char*>(type.data()), 4),
                     data.subspan(start + header, static_cast<std::size_t>(size) - header)});
    reader.Seek(start + size);
  }
  return boxes;
}

std::optional<TBox> Child(std::span<const std::uint8_t> data, std::string_view type) {
  for (const TBox& box : BoxesIn(data)) {
    if (box.type == type)
      return box;
  }
  return std::nullopt;
}

std::span<const std::uint8_t> AfterVersionAndFlags(std::span<const std::uint8_t> body) {
  constexpr std::size_t kVersionAndFlags = kFullBoxHeader - kBoxHeader;
  return body.size() < kVersionAndFlags ? body.subspan(body.size())
                                        : body.subspan(kVersionAndFlags);
}

// The 1-based indexes into the property container of the properties associated with item.
std::vector<std::uint16_t> PropertiesOf(const TBox& associations, std::uint32_t item) {
  TByteReader reader(associations.body, TByteReader::Endian::Big);
  const std::uint8_t version = reader.U8();
  reader.Skip(2);
  const bool wideIndexes = (reader.U8() & 1) != 0;
  std::vector<std::uint16_t> found;
  for (std::uint32_t entries = reader.U32(); entries > 0 && !reader.Overran(); --entries) {
    const std::uint32_t id = version < 1 ? reader.U16() : reader.U32();
    for (std::uint8_t count = reader.U8(); count > 0 && !reader.Overran(); --count) {
      const std::uint16_t index = wideIndexes ? reader.U16() & 0x7FFF : reader.U8() & 0x7F;
      if (id == item && !reader.Overran())
        found.push_back(index);
    }
  }
  return found;
}

}  // namespace

bool HeifPrimaryIsTransformed(std::span<const std::uint8_t> file) {
  const std::optional<TBox> meta = Child(file, "meta");
  if (!meta)
    return false;
  const std::span<const std::uint8_t> metaChildren = AfterVersionAndFlags(meta->body);
  const std::optional<TBox> primary = Child(metaChildren, "pitm");
  const std::optional<TBox> properties = Child(metaChildren, "iprp");
  if (!primary || !properties)
    return false;
  TByteReader pitm(primary->body, TByteReader::Endian::Big);
  const std::uint8_t version = pitm.U8();
  pitm.Skip(3);
  const std::uint32_t item = version == 0 ? pitm.U16() : pitm.U32();
  const std::optional<TBox> container = Child(properties->body, "ipco");
  const std::optional<TBox> associations = Child(properties->body, "ipma");
  if (pitm.Overran() || !container || !associations)
    return false;
  const std::vector<TBox> list = BoxesIn(container->body);
  for (std::uint16_t index : PropertiesOf(*associations, item)) {
    if (index >= 1 && index <= list.size() &&
        (list[index - 1].type == "irot" || list[index - 1].type == "imir"))
      return true;
  }
  return false;
}
