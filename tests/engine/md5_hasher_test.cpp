#include "engine/md5_hasher.h"

#include "engine/file_reading.h"
#include "support/cryptoapi_md5.h"
#include "support/fixture_tree.h"

#include <gtest/gtest.h>

namespace {

std::string content_of(std::size_t size, std::size_t seed) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>((i * (seed + 3)) ^ (i >> 9) ^ seed);
    return content;
}

// Sizes on both sides of every boundary the digests cross: the 56 bytes after
// which padding needs a second block, whole blocks, and the 256 KiB that a
// lane reads at a time.
std::vector<std::size_t> boundary_sizes() {
    std::vector<std::size_t> sizes;
    for (std::size_t edge : {0u, 55u, 56u, 64u, 119u, 120u, 128u, 4096u, 262144u, 524288u}) {
        for (std::size_t size : {edge - 1, edge, edge + 1}) {
            if (size <= edge + 1) sizes.push_back(size);  // edge - 1 wraps for 0
        }
    }
    return sizes;
}

TEST(Md5, PiecewiseDigestsEqualCryptoApiAcrossBlockBoundaries) {
    for (std::size_t size : boundary_sizes()) {
        const std::string data = content_of(size, size);
        Md5 whole, pieces;
        whole.add(data);
        for (std::size_t at = 0; at < size; at += 37) pieces.add({data.data() + at, std::min<std::size_t>(37, size - at)});
        EXPECT_EQ(whole.hex(), cryptoapi_md5(data)) << size;
        EXPECT_EQ(pieces.hex(), whole.hex()) << size;
    }
}

// More files than lanes, of sizes that end at different points, so lanes
// take new files mid-way and the last few finish on their own; then the same
// files one by one, as where the processor lacks AVX2.
TEST(Md5, FileDigestsInLanesAndAloneEqualCryptoApi) {
    FixtureTree tree("md5-files");
    std::vector<std::string> paths, expected;
    const auto sizes = boundary_sizes();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string data = content_of(sizes[sizes.size() - 1 - i], i);
        paths.push_back(tree.write_text("f" + std::to_string(i), data));
        expected.push_back(cryptoapi_md5(data));
    }
    paths.push_back(tree.path("missing"));
    expected.push_back("none");
    const FileOpener open = [&](std::size_t index) { return open_for_shared_reading(paths[index]); };
    for (bool lanes : {true, false}) {
        std::vector<std::string> got;
        for (const auto& digest : md5_of_files(paths.size(), open, lanes)) got.push_back(digest.value_or("none"));
        EXPECT_EQ(got, expected) << (lanes ? "lanes" : "one by one");
    }
}

}  // namespace
