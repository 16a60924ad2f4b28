#include "engine/diagnostics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

// 1048575 is 1023.999 KB and stays in kilobytes; nothing goes above TB.
TEST(FormatSize, StepsInPowersOf1024UpToTerabytes) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 B"}, {1023, "1023 B"}, {1024, "1.00 KB"}, {1536, "1.50 KB"}, {1048575, "1024.00 KB"},
        {1073741824, "1.00 GB"}, {5ULL << 40, "5.00 TB"}, {1ULL << 50, "1024.00 TB"}, {UINT64_MAX, "16777216.00 TB"}};
    for (const auto& [bytes, text] : cases) EXPECT_EQ(format_size(bytes), text) << bytes;
}
