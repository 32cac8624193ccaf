#pragma once

#include <cstdint>
#include <vector>

/// IPTC records (record number, dataset number, data) with a flag set when the user changed them.
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
  void ClearRecords() {
    records_.clear();
    userChanged_ = false;
  }
  void AssignRecords(const TImgIPTCInfoList& source) {
    records_ = source.records_;
    userChanged_ = source.userChanged_;
  }
  bool UserChanged() const { return userChanged_; }
  void SetUserChanged(bool changed) { userChanged_ = changed; }

 private:
  std::vector<Record> records_;
  bool userChanged_ = false;
};
