#include "app/batch/ConversionChains.h"

#include <filesystem>
#include <numeric>
#include <string>
#include <unordered_map>

namespace {

// Different spellings of one file ("a//b", links to folders) must meet under one key.
std::string FileKey(const std::string& path) {
  std::error_code error;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  return error ? std::filesystem::path(path).lexically_normal().string() : canonical.string();
}

class TDisjointSets {
 public:
  explicit TDisjointSets(std::size_t count) : parent_(count) {
    std::iota(parent_.begin(), parent_.end(), std::size_t{0});
  }
  std::size_t Find(std::size_t item) {
    while (parent_[item] != item) {
      parent_[item] = parent_[parent_[item]];
      item = parent_[item];
    }
    return item;
  }
  // The smaller index stays the representative, so a chain is named by its first job.
  void Join(std::size_t a, std::size_t b) {
    a = Find(a);
    b = Find(b);
    if (a == b)
      return;
    if (b < a)
      std::swap(a, b);
    parent_[b] = a;
  }

 private:
  std::vector<std::size_t> parent_;
};

}  // namespace

std::vector<std::vector<std::size_t>> ConversionChains(const std::vector<TPhotoJob>& jobs) {
  TDisjointSets sets(jobs.size());
  std::unordered_map<std::string, std::size_t> firstUser;
  auto claim = [&](const std::string& path, std::size_t job) {
    const auto [entry, inserted] = firstUser.emplace(FileKey(path), job);
    if (!inserted)
      sets.Join(entry->second, job);
  };
  for (std::size_t job = 0; job < jobs.size(); ++job) {
    claim(jobs[job].Source, job);
    claim(jobs[job].Target, job);
  }
  std::vector<std::vector<std::size_t>> chains;
  std::unordered_map<std::size_t, std::size_t> chainOf;
  for (std::size_t job = 0; job < jobs.size(); ++job) {
    const auto [entry, inserted] = chainOf.emplace(sets.Find(job), chains.size());
    if (inserted)
      chains.emplace_back();
    chains[entry->second].push_back(job);
  }
  return chains;
}
