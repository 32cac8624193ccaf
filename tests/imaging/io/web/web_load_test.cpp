#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/web/CurlLibrary.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"
#include "tests/imaging/io/registry/RegistryTestSupport.h"
#include "tests/support/TestPaths.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace registrytest;

namespace {

// Python's web server on a free port of 127.0.0.1, serving a folder; stopped with the object.
class TestWebServer {
 public:
  explicit TestWebServer(const fs::path& root) {
    int output[2];
    if (pipe(output) != 0)
      return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    const std::string script = std::string(QM_SOURCE_DIR) + "/tests/imaging/io/web/web_server.py";
    const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string folder = root.string();
    char* argv[] = {const_cast<char*>(python.c_str()), const_cast<char*>(script.c_str()),
                    const_cast<char*>(folder.c_str()), nullptr};
    if (posix_spawnp(&pid_, python.c_str(), &actions, nullptr, argv, environ) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (FILE* lines = fdopen(output[0], "r")) {
      if (std::fscanf(lines, "%d", &port_) != 1)
        port_ = 0;
      std::fclose(lines);
    } else {
      close(output[0]);
    }
  }
  ~TestWebServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  TestWebServer(const TestWebServer&) = delete;
  TestWebServer& operator=(const TestWebServer&) = delete;

  bool Running() const { return pid_ > 0 && port_ > 0; }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int Port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// A port on which nothing listens: bound once to learn a free number, then let go.
int ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

class WebLoadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new fs::path(MakeTempDir("qmweb"));
    WriteFile(*root_ / "photo.jpg", oracle::Encode(40, 30, oracle::Pattern(40, 30), {}));
    WriteFile(*root_ / "other.jpg", oracle::Encode(24, 12, oracle::Pattern(24, 12), {}));
    server_ = new TestWebServer(*root_);
  }
  static void TearDownTestSuite() {
    delete server_;
    fs::remove_all(*root_);
    delete root_;
  }
  void SetUp() override {
    if (!server_->Running())
      GTEST_SKIP() << "python3 could not start the test web server";
    counter.Attach(io);
  }

  // The smaller photo in the container, to see whether a failed load leaves it.
  void LoadOtherPhoto() {
    io.LoadFromFile((*root_ / "other.jpg").string());
    ASSERT_FALSE(io.Aborting());
    counter.finished = 0;
  }
  std::string RequestLog() const {
    const auto bytes = ReadFile(*root_ / "requests.log");
    return {bytes.begin(), bytes.end()};
  }

  static fs::path* root_;
  static TestWebServer* server_;
  TImagerIO io;
  FinishCounter counter;
};

fs::path* WebLoadTest::root_ = nullptr;
TestWebServer* WebLoadTest::server_ = nullptr;

}  // namespace

TEST_F(WebLoadTest, LoadEqualsTheFileLoadAndAsksAsDescribed) {
  TImagerIO byFile;
  byFile.LoadFromFile((*root_ / "photo.jpg").string());
  ASSERT_FALSE(byFile.Aborting());

  for (const char* path : {"/photo.jpg", "/to-photo", "/undeclared"}) {
    SCOPED_TRACE(path);
    LoadOtherPhoto();
    io.LoadFromFile(server_->Url(path));
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(counter.finished, 1);
    EXPECT_EQ(io.Params().FormatId, 3);
    EXPECT_EQ(io.Params().ResolutionX, byFile.Params().ResolutionX);
    TImgBitmap& expected = *byFile.Bitmap();
    TImgBitmap& actual = *io.Bitmap();
    ASSERT_EQ(actual.Width(), expected.Width());
    ASSERT_EQ(actual.Height(), expected.Height());
    for (int y = 0; y < expected.Height(); ++y) {
      ASSERT_TRUE(std::equal(expected.RowPtr(y), expected.RowPtr(y) + 3 * expected.Width(),
                             actual.RowPtr(y)));
    }
  }
  const std::string log = RequestLog();
  EXPECT_NE(log.find("GET /photo.jpg HTTP/1.1\n"), std::string::npos) << log;
  EXPECT_NE(log.find("User-Agent: Mozilla/4.*\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Cache-Control: no-cache\n"), std::string::npos) << log;
}

TEST_F(WebLoadTest, FailuresEndWithAbortAndOneFinish) {
  struct FailureCase {
    const char* name;
    std::string url;
    std::int64_t limit;
  };
  const std::int64_t noLimit = std::int64_t{512} << 20;
  const std::vector<FailureCase> cases = {
      {"refused connection", "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/photo.jpg",
       noLimit},
      {"404", server_->Url("/missing.jpg"), noLimit},
      {"declared body over the limit", server_->Url("/photo.jpg"), 100},
      {"undeclared body over the limit", server_->Url("/undeclared"), 100},
      {"redirect to another scheme", server_->Url("/to-file"), noLimit},
      {"port out of range", "http://127.0.0.1:70000/photo.jpg", noLimit},
      {"no host", "http:///photo.jpg", noLimit},
  };
  for (const FailureCase& failure : cases) {
    SCOPED_TRACE(failure.name);
    LoadOtherPhoto();
    io.SetWebBodyLimit(failure.limit);
    EXPECT_NO_THROW(io.LoadFromFile(failure.url));
    EXPECT_TRUE(io.Aborting());
    EXPECT_EQ(counter.finished, 1);
    EXPECT_EQ(io.Bitmap()->Width(), 24) << "the container keeps its image";
  }
}

TEST_F(WebLoadTest, ProxyGetsTheRequestWithItsCredentials) {
  io.SetProxyAddress("127.0.0.1:" + std::to_string(server_->Port()));
  io.SetProxyUser("walker");
  io.SetProxyPassword("wrong");
  io.LoadFromFile("http://photos.invalid/photo.jpg");
  EXPECT_TRUE(io.Aborting()) << "the proxy refuses wrong credentials";
  io.SetProxyPassword("s3cret");
  io.LoadFromFile("HTTP://photos.invalid/photo.jpg");
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(io.Bitmap()->Width(), 40);
  EXPECT_NE(RequestLog().find("GET http://photos.invalid/photo.jpg HTTP/1.1\n"), std::string::npos);
}

TEST_F(WebLoadTest, WithoutTheTransferLibraryTheLoadAborts) {
  LoadOtherPhoto();
  SetCurlLibraryFile("libquillmere-no-such-library.so.0");
  io.LoadFromFile(server_->Url("/photo.jpg"));
  SetCurlLibraryFile("");
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(counter.finished, 1);
  EXPECT_EQ(io.Bitmap()->Width(), 24);
}
