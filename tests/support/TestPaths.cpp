#include "tests/support/TestPaths.h"

#include <cstdlib>
#include <vector>

std::filesystem::path MakeTempDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr)
    return {};
  return std::filesystem::path(name.data());
}
