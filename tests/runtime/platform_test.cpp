// The test prefixes show the program what users run it on.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

TEST(Platform, AnsiCodePageIsChinese) { EXPECT_EQ(GetACP(), 936u); }

TEST(Platform, WindowsKindMatchesThePrefix) {
  const char* arch = std::getenv("TEST_WINE_ARCH");
  const bool expect32 = arch && std::string(arch) == "win32";
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  EXPECT_EQ(wow64 == FALSE, expect32);
}
