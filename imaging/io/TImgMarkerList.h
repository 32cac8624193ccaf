#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

/// The most data one JPEG marker holds: its 16-bit length counts itself too.
constexpr std::size_t kMaxMarkerPayload = 65533;

/// JPEG markers kept from a file (COM and APPn): code, and the marker's data bytes.
class TImgMarkerList {
 public:
  struct Marker {
    std::uint8_t code = 0;
    std::vector<std::uint8_t> data;
  };

  int Count() const { return static_cast<int>(markers_.size()); }
  const Marker& operator[](int index) const { return markers_[static_cast<std::size_t>(index)]; }
  Marker& operator[](int index) { return markers_[static_cast<std::size_t>(index)]; }
  void AddMarker(std::uint8_t code, const std::uint8_t* data, std::size_t length) {
    markers_.push_back({code, std::vector<std::uint8_t>(data, data + length)});
  }
  void InsertMarker(int index, std::uint8_t code, std::vector<std::uint8_t> data) {
    markers_.insert(markers_.begin() + index, Marker{code, std::move(data)});
  }
  void DeleteMarker(int index) { markers_.erase(markers_.begin() + index); }
  /// Index of the first marker with the code, or -1.
  int IndexOf(std::uint8_t code) const {
    for (std::size_t i = 0; i < markers_.size(); ++i) {
      if (markers_[i].code == code)
        return static_cast<int>(i);
    }
    return -1;
  }
  void Clear() { markers_.clear(); }

 private:
  std::vector<Marker> markers_;
};
