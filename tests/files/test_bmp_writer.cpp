// The BMP writer: header fields, palette, bottom-up padded rows, at every bit count it writes.
#include "files/bmp_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "../support/temp_dir.h"

namespace tarnix {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32At(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// Palette entry `index` of an encoded file as 0x00RRGGBB (stored blue, green, red, 0).
std::uint32_t PaletteEntry(const Bytes& b, std::size_t index) {
    const std::size_t at = 54 + index * 4;
    return static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 1]) << 8 | b[at];
}

// Encodes and checks the headers; returns the bytes after the palette.
Bytes PixelData(int width, int height, std::vector<std::uint32_t> pixels, int bits,
                std::size_t paletteBytes) {
    const Bytes b = EncodeBmp(PixelBuffer{width, height, std::move(pixels)}, bits);
    if (b.size() < 54 + paletteBytes) {
        ADD_FAILURE() << "only " << b.size() << " bytes";
        return {};
    }
    EXPECT_EQ(std::string(b.begin(), b.begin() + 2), "BM");
    // The file ends exactly where its header says; one plane, then the bit count.
    EXPECT_EQ(std::tuple(U32At(b, 2), U32At(b, 6), U32At(b, 10), U32At(b, 14),
                         static_cast<std::int32_t>(U32At(b, 18)), static_cast<std::int32_t>(U32At(b, 22)),
                         U32At(b, 26)),
              std::tuple(b.size(), 0u, 54 + paletteBytes, 40u, width, height,
                         1u | static_cast<std::uint32_t>(bits) << 16));
    for (std::size_t at = 30; at < 54; at += 4) {
        EXPECT_EQ(U32At(b, at), 0u) << "information header field at " << at;
    }
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(54 + paletteBytes), b.end());
}

TEST(BmpWriter, BitCountFollowsTheScreenDepth) {
    const std::vector<std::pair<int, int>> cases{{1, 1},  {2, 4},   {4, 4},   {5, 8},   {8, 8},
                                                 {9, 24}, {16, 24}, {24, 24}, {25, 32}, {32, 32}};
    for (const auto& [depth, bits] : cases) {
        EXPECT_EQ(BmpBitsPerPixel(depth), bits) << "depth " << depth;
    }
}

TEST(BmpWriter, TrueColourRowsArePaddedBottomUpWithoutPalette) {
    // 24 bits: 3 pixels x 3 bytes = 9 bytes, padded to 12 per row; the bottom row first, as blue, green, red.
    const Bytes rgb = PixelData(3, 2, {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203}, 24, 0);
    const Bytes expected{0xCC, 0xBB, 0xAA, 0xFF, 0xEE, 0xDD, 0x03, 0x02, 0x01, 0, 0, 0,
                         0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x99, 0x88, 0x77, 0, 0, 0};
    EXPECT_EQ(rgb, expected);
    // 32 bits: the fourth byte of each pixel is 0 even when the input had alpha.
    const Bytes rgbx = PixelData(2, 2, {0x00FF00, 0xFFFF00, 0x123456, 0xFF000000u | 0x0000FF}, 32, 0);
    const Bytes expected32{0x56, 0x34, 0x12, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0};
    EXPECT_EQ(rgbx, expected32);
}

// A viewer shows the indexes through the palette in the file, so every entry must be the platform's default:
// the twenty static colours at both ends (the 16 VGA colours among them), between them a 6 x 6 x 6 cube and
// twenty greys 12 apart.
TEST(BmpWriter, PalettesAreThePlatformDefaults) {
    const std::vector<std::uint32_t> low{0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                         0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0};
    const std::vector<std::uint32_t> high{0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                          0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    std::vector<std::uint32_t> palette8(low);
    for (std::uint32_t c = 0; c < 216; ++c) {
        palette8.push_back((c / 36 * 51) << 16 | (c / 6 % 6 * 51) << 8 | c % 6 * 51);
    }
    for (std::uint32_t v = 12; v <= 240; v += 12) {
        palette8.push_back(v << 16 | v << 8 | v);
    }
    palette8.insert(palette8.end(), high.begin(), high.end());
    std::vector<std::uint32_t> palette4(low.begin(), low.begin() + 8);
    palette4.insert(palette4.end(), high.begin() + 2, high.end());
    std::vector<std::uint32_t> palette1{0x000000, 0xFFFFFF};

    for (const auto* expected : {&palette1, &palette4, &palette8}) {
        const int bits = expected->size() == 2 ? 1 : expected->size() == 16 ? 4 : 8;
        SCOPED_TRACE(bits);
        const Bytes b = EncodeBmp(PixelBuffer{1, 1, {0}}, bits);
        ASSERT_EQ(b.size(), 54 + 4 * expected->size() + 4);
        for (std::size_t i = 0; i < expected->size(); ++i) {
            EXPECT_EQ(PaletteEntry(b, i), (*expected)[i]) << "entry " << i;
            EXPECT_EQ(b[54 + 4 * i + 3], 0) << "entry " << i;
        }
    }
}

TEST(BmpWriter, IndexedPixelsShowTheNearestEntryPackedHighBitsFirst) {
    // 8 bits: 5 pixels -> 5 bytes, padded to 8; a colour outside the palette shows the nearest entry.
    const std::vector<std::uint32_t> colours{0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x3C7A11};
    const Bytes eight = EncodeBmp(PixelBuffer{5, 1, colours}, 8);
    ASSERT_EQ(PixelData(5, 1, colours, 8, 1024).size(), 8u);
    const auto distance = [](std::uint32_t p, std::uint32_t q) {
        int sum = 0;
        for (int shift : {0, 8, 16}) {
            const int d = static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF);
            sum += d * d;
        }
        return sum;
    };
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const std::uint32_t shown = PaletteEntry(eight, eight[1078 + i]);
        for (std::size_t entry = 0; entry < 256; ++entry) {
            EXPECT_LE(distance(shown, colours[i]), distance(PaletteEntry(eight, entry), colours[i])) << i;
        }
    }
    EXPECT_EQ(Bytes(eight.begin() + 1083, eight.end()), Bytes(3, 0));
    // 4 bits: white, black, red (VGA entries 15, 0, 9) -> 12 bits, one row of 4 bytes.
    EXPECT_EQ(PixelData(3, 1, {0xFFFFFF, 0x000000, 0xFF0000}, 4, 64), (Bytes{0xF0, 0x90, 0, 0}));
    // 1 bit: nine pixels white, black, white, ... -> 9 bits, a row of 4 bytes.
    std::vector<std::uint32_t> stripes;
    for (int i = 0; i < 9; ++i) {
        stripes.push_back(i % 2 == 0 ? 0xFFFFFF : 0x000000);
    }
    EXPECT_EQ(PixelData(9, 1, stripes, 1, 8), (Bytes{0xAA, 0x80, 0, 0}));
}

TEST(BmpWriter, SavesABitmapWhateverTheExtensionAndRefusesWhatItCannotWrite) {
    EXPECT_TRUE(EncodeBmp(PixelBuffer{0, 5, {}}, 24).empty());
    EXPECT_TRUE(EncodeBmp(PixelBuffer{2, 2, {1, 2, 3}}, 24).empty()); // pixel count does not match
    EXPECT_TRUE(EncodeBmp(PixelBuffer{1, 1, {0}}, 16).empty());
    testing::TempDir dir;
    const FileResult empty = SaveBmp(dir.File("empty.bmp"), PixelBuffer{}, 24);
    EXPECT_TRUE(!empty.ok && empty.message.empty() && !std::filesystem::exists(dir.File("empty.bmp")));

    const std::string path = dir.File("screen.jpg");
    testing::WriteAll(path, std::string(500, 'x')); // an older, longer file is replaced
    const PixelBuffer picture{4, 3, std::vector<std::uint32_t>(12, 0x336699)};
    ASSERT_TRUE(SaveBmp(path, picture, 32).ok);
    const std::vector<std::uint8_t> encoded = EncodeBmp(picture, 32);
    EXPECT_EQ(testing::ReadAll(path), std::string(encoded.begin(), encoded.end()));
}

} // namespace
} // namespace tarnix
