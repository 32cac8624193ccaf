#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

/// IPTC records (record number, dataset number, data) with a flag set by every change made
/// through the list's own operations; a parse clears it.
class TImgIPTCInfoList {
 public:
  struct Record {
    std::uint8_t recordNumber = 0;
    std::uint8_t dataSet = 0;
    std::vector<std::uint8_t> data;
  };

  int Count() const { return static_cast<int>(records_.size()); }
  const Record& operator[](int index) const { return records_[static_cast<std::size_t>(index)]; }
  int AddRecord(std::uint8_t recordNumber, std::uint8_t dataSet, std::vector<std::uint8_t> data) {
    records_.push_back({recordNumber, dataSet, std::move(data)});
    userChanged_ = true;
    return Count() - 1;
  }
  int AddRecord(std::uint8_t recordNumber, std::uint8_t dataSet, const std::uint8_t* data,
                std::size_t length) {
    return AddRecord(recordNumber, dataSet,
                     data != nullptr ? std::vector<std::uint8_t>(data, data + length)
                                     : std::vector<std::uint8_t>());
  }
  void ClearRecords() {
    records_.clear();
    userChanged_ = true;
  }
  /// Replaces the records by copies of another list's; with none, nothing happens.
  void AssignRecords(const TImgIPTCInfoList* source) {
    if (source == nullptr)
      return;
    if (source != this)
      records_ = source->records_;
    userChanged_ = true;
  }
  void AssignRecords(const TImgIPTCInfoList& source) { AssignRecords(&source); }
  bool UserChanged() const { return userChanged_; }
  void SetUserChanged(bool changed) { userChanged_ = changed; }

  /// Replaces the list by the records found in a block: in a Photoshop APP13 block, those of
  /// its IPTC resource; in other data, those from the first tag marker on. A record that runs
  /// past the end ends the parse with the records before it. Leaves the changed flag false.
  void ParseIptc(std::span<const std::uint8_t> block);
  /// The records as an APP13 Photoshop image resource (photoshopForm) or as the value of the
  /// TIFF IPTC tag, padded to an even length; empty for an empty list. Record-version records
  /// and empty records are left out, and so is a record that would take the block beyond
  /// maxBytes.
  std::vector<std::uint8_t> SerializeIptc(
      bool photoshopForm, std::size_t maxBytes = std::numeric_limits<std::size_t>::max()) const;

 private:
  std::vector<Record> records_;
  bool userChanged_ = false;
};
