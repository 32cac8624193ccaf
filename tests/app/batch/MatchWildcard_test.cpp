#include "app/batch/MatchWildcard.h"

#include <gtest/gtest.h>

namespace {

TEST(MatchWildcardTest, StarDotStarNeedsADot) {
  EXPECT_TRUE(MatchWildcard("a.jpg", "*.*"));
  EXPECT_TRUE(MatchWildcard(".hidden", "*.*"));
  EXPECT_TRUE(MatchWildcard("name.", "*.*"));
  EXPECT_TRUE(MatchWildcard("a.b.c", "*.*"));
  EXPECT_FALSE(MatchWildcard("readme", "*.*"));
  EXPECT_FALSE(MatchWildcard("", "*.*"));
}

TEST(MatchWildcardTest, AnchoredCaseInsensitiveWithBacktracking) {
  EXPECT_TRUE(MatchWildcard("PHOTO.JPG", "photo.jpg"));
  EXPECT_FALSE(MatchWildcard("photo.jpgx", "photo.jpg"));
  EXPECT_FALSE(MatchWildcard("xphoto.jpg", "photo.jpg"));
  EXPECT_TRUE(MatchWildcard("abcabcabd", "*abd"));
  EXPECT_TRUE(MatchWildcard("aXbXc", "a*b*c"));
  EXPECT_FALSE(MatchWildcard("aXbXcd", "a*b*c"));
  EXPECT_TRUE(MatchWildcard("", "*"));
  EXPECT_TRUE(MatchWildcard("", ""));
  EXPECT_FALSE(MatchWildcard("a", ""));
  EXPECT_TRUE(MatchWildcard("ab", "a**b"));
}

TEST(MatchWildcardTest, QuestionMarkAndSets) {
  EXPECT_TRUE(MatchWildcard("img1.bmp", "img?.bmp"));
  EXPECT_FALSE(MatchWildcard("img.bmp", "img?.bmp"));
  EXPECT_FALSE(MatchWildcard("img12.bmp", "img?.bmp"));
  EXPECT_TRUE(MatchWildcard("b.tif", "[abc].tif"));
  EXPECT_TRUE(MatchWildcard("B.tif", "[abc].tif"));
  EXPECT_FALSE(MatchWildcard("d.tif", "[abc].tif"));
  EXPECT_TRUE(MatchWildcard("q7", "[a-z][0-9]"));
  EXPECT_TRUE(MatchWildcard("Q7", "[a-z][0-9]"));
  EXPECT_FALSE(MatchWildcard("q", "[a-z][0-9]"));
  EXPECT_TRUE(MatchWildcard("x", "[!a-c]"));
  EXPECT_FALSE(MatchWildcard("b", "[!a-c]"));
  EXPECT_FALSE(MatchWildcard("B", "[!a-c]"));
  EXPECT_TRUE(MatchWildcard("-", "[a-]"));
  EXPECT_TRUE(MatchWildcard("-", "[-]"));
}

void ExpectInvalid(const std::string& mask, int position) {
  try {
    MatchWildcard("name", mask);
    ADD_FAILURE() << mask << " was accepted";
  } catch (const EInvalidMask& error) {
    EXPECT_EQ(std::string(error.what()),
              "'" + mask + "' is an invalid mask at (" + std::to_string(position) + ")");
  }
}

TEST(MatchWildcardTest, MalformedMasksNameTheirPosition) {
  ExpectInvalid("ab[cd", 3);
  ExpectInvalid("a[]", 3);
  ExpectInvalid("[!]", 3);
  ExpectInvalid("x[-z]", 3);
  std::string stars;
  for (int i = 0; i < 31; ++i)
    stars += "*a";
  ExpectInvalid(stars, 61);
  EXPECT_FALSE(MatchWildcard("name", stars.substr(0, 60)));
}

}  // namespace
