#include "engine/diagnostics.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(FormatSize, StepsInPowersOf1024UpToTerabytes) {
    EXPECT_EQ(format_size(0), "0 B");
    EXPECT_EQ(format_size(1023), "1023 B");
    EXPECT_EQ(format_size(1024), "1.00 KB");
    EXPECT_EQ(format_size(1536), "1.50 KB");
    EXPECT_EQ(format_size(1048575), "1024.00 KB");  // 1023.999 stays in kilobytes
    EXPECT_EQ(format_size(1073741824), "1.00 GB");
    EXPECT_EQ(format_size(5ULL << 40), "5.00 TB");
    EXPECT_EQ(format_size(1ULL << 50), "1024.00 TB");  // no unit above TB
    EXPECT_EQ(format_size(UINT64_MAX), "16777216.00 TB");
}
