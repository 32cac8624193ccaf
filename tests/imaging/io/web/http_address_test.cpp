#include <gtest/gtest.h>

#include "imaging/io/web/HttpAddress.h"

TEST(HttpAddressTest, SplitsHostPortAndPath) {
  struct Case {
    const char* url;
    bool valid;
    const char* host;
    int port;
    const char* path;
  };
  const Case cases[] = {
      {"http://example.org/a/b.jpg", true, "example.org", 80, "/a/b.jpg"},
      {"HTTP://example.org:8080/b.jpg?size=2", true, "example.org", 8080, "/b.jpg?size=2"},
      {"http://example.org", true, "example.org", 80, "/"},
      {"http://[::1]:81/c.jpg", true, "[::1]", 81, "/c.jpg"},
      {"http://example.org:0/", false, "", 0, ""},
      {"http://example.org:65536/", false, "", 0, ""},
      {"http://user@example.org/", false, "", 0, ""},
      {"https://example.org/", false, "", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const auto address = SplitHttpAddress(c.url);
    ASSERT_EQ(address.has_value(), c.valid);
    if (!c.valid)
      continue;
    EXPECT_EQ(address->host, c.host);
    EXPECT_EQ(address->port, c.port);
    EXPECT_EQ(address->path, c.path);
  }
}
