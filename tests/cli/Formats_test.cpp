#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/cli/CliFixture.h"

namespace fs = std::filesystem;

namespace {

// The sample folder's PNG, WebP, HEIF and AVIF photos (made by the formats' own encoders), each
// also cut in half as an interrupted copy leaves it.
class FormatsTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    const fs::path samples = root / "samples";
    ASSERT_EQ(
        std::system(
            (std::string(QM_MAKE_SAMPLES_PATH) + " '" + samples.string() + "' >/dev/null").c_str()),
        0);
    for (const auto& entry : fs::directory_iterator(samples / "more formats")) {
      const fs::path name = entry.path().filename();
      fs::copy_file(entry.path(), source / name);
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      std::ofstream(source / ("cut-" + name.string()), std::ios::binary)
          .write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
      names.push_back(name.string());
    }
    std::sort(names.begin(), names.end());
  }

  std::vector<std::string> names;
};

TEST_F(FormatsTest, AllConvertsEachFormatAndNamesEveryCutFile) {
  ASSERT_EQ(names,
            (std::vector<std::string>{"cut-out.png", "phone.heic", "shared.webp", "web.avif"}));
  const fs::path out = root / "out";
  const CliRun plain = Run({source.string(), out.string()});
  EXPECT_EQ(plain.status, 0) << plain.out;
  EXPECT_NE(plain.out.find("Converted 0, skipped 8, failed 0"), std::string::npos) << plain.out;

  const CliRun all = Run({"--formats", "all", source.string(), out.string()});
  EXPECT_EQ(all.status, 1);
  EXPECT_NE(all.out.find("Process finished. 4 of 8 photos could not be converted:"),
            std::string::npos)
      << all.out;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_NE(all.out.find((source / ("cut-" + name)).string()), std::string::npos);
    EXPECT_TRUE(fs::exists(out / fs::path(name).replace_extension(".jpg")));
    EXPECT_FALSE(fs::exists(out / fs::path("cut-" + name).replace_extension(".jpg")));
  }
}

TEST_F(FormatsTest, AListCollectsOnlyTheNamedExtensions) {
  const CliRun run = Run({"--formats", "webp,.HEIC", source.string(), (root / "out").string()});
  EXPECT_NE(run.out.find("Converted 2, skipped 4, failed 2"), std::string::npos) << run.out;
  EXPECT_TRUE(fs::exists(root / "out" / "shared.jpg"));
  EXPECT_TRUE(fs::exists(root / "out" / "phone.jpg"));
  EXPECT_FALSE(fs::exists(root / "out" / "web.jpg"));
}

}  // namespace
