// The BMP writer: header fields, palette, bottom-up padded rows, at every bit count it writes.
#include "files/bmp_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "../support/temp_dir.h"

namespace tarnix {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32At(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16At(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

PixelBuffer Picture(int width, int height, std::vector<std::uint32_t> pixels) {
    return PixelBuffer{width, height, std::move(pixels)};
}

// Palette entry `index` of an encoded file as 0x00RRGGBB (stored blue, green, red, 0).
std::uint32_t PaletteEntry(const Bytes& b, std::size_t index) {
    const std::size_t at = 54 + index * 4;
    return static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 1]) << 8 | b[at];
}

void ExpectHeader(const Bytes& b, int width, int height, int bits, std::size_t paletteBytes) {
    ASSERT_GE(b.size(), 54u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32At(b, 2), b.size()); // the file ends exactly where its header says
    EXPECT_EQ(U32At(b, 6), 0u);
    EXPECT_EQ(U32At(b, 10), 54 + paletteBytes);
    EXPECT_EQ(U32At(b, 14), 40u);
    EXPECT_EQ(static_cast<std::int32_t>(U32At(b, 18)), width);
    EXPECT_EQ(static_cast<std::int32_t>(U32At(b, 22)), height);
    EXPECT_EQ(U16At(b, 26), 1);
    EXPECT_EQ(U16At(b, 28), bits);
    for (std::size_t at = 30; at < 54; at += 4) {
        EXPECT_EQ(U32At(b, at), 0u) << "information header field at " << at;
    }
}

TEST(BmpWriter, BitCountFollowsTheScreenDepth) {
    const std::vector<std::pair<int, int>> cases{{1, 1},  {2, 4},   {4, 4},   {5, 8},   {8, 8},
                                                 {9, 24}, {16, 24}, {24, 24}, {25, 32}, {32, 32}};
    for (const auto& [depth, bits] : cases) {
        EXPECT_EQ(BmpBitsPerPixel(depth), bits) << "depth " << depth;
    }
}

TEST(BmpWriter, TwentyFourBitsHaveNoPaletteAndPaddedBottomUpRows) {
    // 3 pixels x 3 bytes = 9 bytes, padded to 12 per row.
    const std::uint32_t top0 = 0x112233, top1 = 0x445566, top2 = 0x778899;
    const std::uint32_t bot0 = 0xAABBCC, bot1 = 0xDDEEFF, bot2 = 0x010203;
    const Bytes b = EncodeBmp(Picture(3, 2, {top0, top1, top2, bot0, bot1, bot2}), 24);
    ExpectHeader(b, 3, 2, 24, 0);
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    // The bottom row comes first, each pixel as blue, green, red.
    const Bytes expected{0xCC, 0xBB, 0xAA, 0xFF, 0xEE, 0xDD, 0x03, 0x02, 0x01, 0, 0, 0,
                         0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x99, 0x88, 0x77, 0, 0, 0};
    EXPECT_EQ(Bytes(b.begin() + 54, b.end()), expected);
}

TEST(BmpWriter, ThirtyTwoBitsStartPixelsAtOffset54) {
    const Bytes b = EncodeBmp(Picture(2, 2, {0x00FF00, 0xFFFF00, 0x123456, 0xFF000000u | 0x0000FF}), 32);
    ExpectHeader(b, 2, 2, 32, 0);
    ASSERT_EQ(b.size(), 54u + 2 * 8);
    // Bottom row: 0x123456 then blue; the fourth byte of each pixel is 0 even when the input had alpha.
    const Bytes expected{0x56, 0x34, 0x12, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0};
    EXPECT_EQ(Bytes(b.begin() + 54, b.end()), expected);
}

TEST(BmpWriter, EightBitsCarryAPaletteAndNearestIndexes) {
    // 5 pixels -> 5 bytes, padded to 8.
    const std::vector<std::uint32_t> colours{0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF};
    const Bytes b = EncodeBmp(Picture(5, 1, colours), 8);
    ExpectHeader(b, 5, 1, 8, 1024);
    ASSERT_EQ(b.size(), 54u + 1024 + 8);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const std::uint8_t index = b[54 + 1024 + i];
        EXPECT_EQ(PaletteEntry(b, index), colours[i]) << "pixel " << i;
    }
    EXPECT_EQ(b[54 + 1024 + 5], 0);
    EXPECT_EQ(b[54 + 1024 + 7], 0);

    // A colour that is not in the palette takes an entry no farther away than any other.
    const std::uint32_t odd = 0x3C7A11;
    const Bytes c = EncodeBmp(Picture(1, 1, {odd}), 8);
    const auto dist = [&](std::uint32_t p) {
        const int dr = static_cast<int>((p >> 16) & 0xFF) - 0x3C;
        const int dg = static_cast<int>((p >> 8) & 0xFF) - 0x7A;
        const int db = static_cast<int>(p & 0xFF) - 0x11;
        return dr * dr + dg * dg + db * db;
    };
    const int chosen = dist(PaletteEntry(c, c[54 + 1024]));
    for (std::size_t i = 0; i < 256; ++i) {
        EXPECT_LE(chosen, dist(PaletteEntry(c, i))) << "entry " << i;
    }
}

TEST(BmpWriter, FourAndOneBitPackHighBitsFirst) {
    // 4 bits: white, black, red -> 12 bits, one row of 4 bytes.
    const Bytes four = EncodeBmp(Picture(3, 1, {0xFFFFFF, 0x000000, 0xFF0000}), 4);
    ExpectHeader(four, 3, 1, 4, 64);
    ASSERT_EQ(four.size(), 54u + 64 + 4);
    const std::uint8_t hi = four[118] >> 4, lo = four[118] & 0x0F, third = four[119] >> 4;
    EXPECT_EQ(PaletteEntry(four, hi), 0xFFFFFFu);
    EXPECT_EQ(PaletteEntry(four, lo), 0x000000u);
    EXPECT_EQ(PaletteEntry(four, third), 0xFF0000u);
    EXPECT_EQ(four[119] & 0x0F, 0);

    // 1 bit: nine pixels white, black, white, ... -> 9 bits, a row of 4 bytes.
    std::vector<std::uint32_t> stripes;
    for (int i = 0; i < 9; ++i) {
        stripes.push_back(i % 2 == 0 ? 0xFFFFFF : 0x000000);
    }
    const Bytes one = EncodeBmp(Picture(9, 1, stripes), 1);
    ExpectHeader(one, 9, 1, 1, 8);
    ASSERT_EQ(one.size(), 54u + 8 + 4);
    EXPECT_EQ(PaletteEntry(one, 0), 0x000000u);
    EXPECT_EQ(PaletteEntry(one, 1), 0xFFFFFFu);
    EXPECT_EQ(one[62], 0xAA);
    EXPECT_EQ(one[63], 0x80);
    EXPECT_EQ(one[64], 0);
    EXPECT_EQ(one[65], 0);
}

TEST(BmpWriter, RefusesWhatItCannotWrite) {
    EXPECT_TRUE(EncodeBmp(Picture(0, 5, {}), 24).empty());
    EXPECT_TRUE(EncodeBmp(Picture(2, 2, {1, 2, 3}), 24).empty()); // pixel count does not match
    EXPECT_TRUE(EncodeBmp(Picture(1, 1, {0}), 16).empty());
}

TEST(BmpWriter, SavedFileIsABitmapWhateverTheExtension) {
    testing::TempDir dir;
    const std::string path = dir.File("screen.jpg");
    testing::WriteAll(path, std::string(500, 'x')); // an older, longer file is replaced
    const PixelBuffer picture = Picture(4, 3, std::vector<std::uint32_t>(12, 0x336699));
    const FileResult result = SaveBmp(path, picture, 32);
    ASSERT_TRUE(result.ok) << result.message;
    const std::string file = testing::ReadAll(path);
    ASSERT_EQ(file.size(), 54u + 3 * 16);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(file[28]), 32);
}

TEST(BmpWriter, AnEmptyPictureWritesNoFileAndSaysNothing) {
    testing::TempDir dir;
    const std::string emptyPath = dir.File("empty.bmp");
    const FileResult empty = SaveBmp(emptyPath, PixelBuffer{}, 24);
    EXPECT_FALSE(empty.ok);
    EXPECT_TRUE(empty.message.empty());
    EXPECT_FALSE(std::filesystem::exists(emptyPath));
}

} // namespace
} // namespace tarnix
