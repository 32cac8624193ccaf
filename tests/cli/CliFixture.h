#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestPaths.h"

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

/// A scratch folder with an empty "photos" source, and a way to run the built program in it.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeTempDir("qm_cli_");
    source = root / "photos";
    std::filesystem::create_directories(source);
  }
  void TearDown() override {
    if (!root.empty())
      std::filesystem::remove_all(root);
  }

  CliRun Run(const std::vector<std::string>& arguments) {
    std::string command = QM_CLI_PATH;
    for (const std::string& argument : arguments)
      command += " '" + argument + "'";
    command += " >'" + (root / "stdout").string() + "' 2>'" + (root / "stderr").string() + "'";
    CliRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadAll(root / "stdout");
    run.err = ReadAll(root / "stderr");
    return run;
  }

  std::filesystem::path root;
  std::filesystem::path source;
};
