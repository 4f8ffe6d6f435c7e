// The Wine session the tests run in must look like a Simplified Chinese Windows: every other test
// relies on the ANSI code page being 936.
#include <gtest/gtest.h>
#include <windows.h>

TEST(WineEnvironment, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }

TEST(WineEnvironment, NarrowLiteralsAreCodePage936) {
  const char text[] = "中文";
  ASSERT_EQ(sizeof text, 5u);
  EXPECT_EQ(static_cast<unsigned char>(text[0]), 0xD6);
  EXPECT_EQ(static_cast<unsigned char>(text[1]), 0xD0);
}
