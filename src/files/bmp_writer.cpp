#include "files/bmp_writer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <limits>
#include <unordered_map>

#include "files/file_io.h"
#include "model/safe_file.h"

namespace tarnix {

namespace {

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (r << 16) | (g << 8) | b;
}

constexpr std::array<std::uint32_t, 2> kPalette1{Rgb(0, 0, 0), Rgb(255, 255, 255)};

// The sixteen colours of the platform's standard VGA palette, in its order.
constexpr std::array<std::uint32_t, 16> kPalette4{
    Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
    Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192),
    Rgb(128, 128, 128), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
    Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255)};

// The default 256-colour palette: the ten low and ten high static colours of the system palette at both
// ends, and between them a 6 x 6 x 6 colour cube and twenty greys, so that any picture maps closely.
constexpr std::array<std::uint32_t, 256> MakePalette8() {
    std::array<std::uint32_t, 256> p{};
    constexpr std::array<std::uint32_t, 10> low{
        Rgb(0, 0, 0),     Rgb(128, 0, 0),   Rgb(0, 128, 0),     Rgb(128, 128, 0),   Rgb(0, 0, 128),
        Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192), Rgb(192, 220, 192), Rgb(166, 202, 240)};
    constexpr std::array<std::uint32_t, 10> high{
        Rgb(255, 251, 240), Rgb(160, 160, 164), Rgb(128, 128, 128), Rgb(255, 0, 0),   Rgb(0, 255, 0),
        Rgb(255, 255, 0),   Rgb(0, 0, 255),     Rgb(255, 0, 255),   Rgb(0, 255, 255), Rgb(255, 255, 255)};
    std::size_t n = 0;
    for (std::uint32_t c : low) {
        p[n++] = c;
    }
    for (std::uint32_t r = 0; r < 6; ++r) {
        for (std::uint32_t g = 0; g < 6; ++g) {
            for (std::uint32_t b = 0; b < 6; ++b) {
                p[n++] = Rgb(r * 51, g * 51, b * 51);
            }
        }
    }
    for (std::uint32_t k = 1; k <= 20; ++k) {
        const std::uint32_t v = k * 12; // 12 .. 240, between the cube's grey steps
        p[n++] = Rgb(v, v, v);
    }
    for (std::uint32_t c : high) {
        p[n++] = c;
    }
    return p;
}
constexpr std::array<std::uint32_t, 256> kPalette8 = MakePalette8();

int Channel(std::uint32_t rgb, int shift) {
    return static_cast<int>((rgb >> shift) & 0xFFu);
}

// First palette entry at the smallest squared RGB distance.
std::uint8_t NearestEntry(std::span<const std::uint32_t> palette, std::uint32_t rgb) {
    int best = std::numeric_limits<int>::max();
    std::size_t bestIndex = 0;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int dr = Channel(rgb, 16) - Channel(palette[i], 16);
        const int dg = Channel(rgb, 8) - Channel(palette[i], 8);
        const int db = Channel(rgb, 0) - Channel(palette[i], 0);
        const int d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            bestIndex = i;
        }
    }
    return static_cast<std::uint8_t>(bestIndex);
}

} // namespace

int BmpBitsPerPixel(int screenDepth) {
    if (screenDepth < 2) {
        return 1;
    }
    if (screenDepth < 5) {
        return 4;
    }
    if (screenDepth < 9) {
        return 8;
    }
    if (screenDepth < 25) {
        return 24;
    }
    return 32;
}

std::size_t BmpRowBytes(int bitsPerPixel, int width) {
    if (bitsPerPixel <= 0 || width <= 0) {
        return 0;
    }
    const std::size_t bits = static_cast<std::size_t>(bitsPerPixel) * static_cast<std::size_t>(width);
    return (bits + 31) / 32 * 4;
}

std::span<const std::uint32_t> BmpPalette(int bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1:
        return kPalette1;
    case 4:
        return kPalette4;
    case 8:
        return kPalette8;
    default:
        return {};
    }
}

std::vector<std::uint8_t> EncodeBmp(const PixelBuffer& picture, int bitsPerPixel) {
    const int b = bitsPerPixel;
    if (b != 1 && b != 4 && b != 8 && b != 24 && b != 32) {
        return {};
    }
    if (picture.Empty() || picture.pixels.size() != static_cast<std::size_t>(picture.width) *
                                                        static_cast<std::size_t>(picture.height)) {
        return {};
    }
    const std::span<const std::uint32_t> palette = BmpPalette(b);
    const std::size_t paletteBytes = palette.size() * 4;
    const std::size_t rowBytes = BmpRowBytes(b, picture.width);
    const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(picture.height);
    const std::size_t fileSize = kBmpHeaderBytes + paletteBytes + pixelBytes;
    if (fileSize > std::numeric_limits<std::uint32_t>::max()) {
        return {};
    }

    std::vector<std::uint8_t> out;
    out.reserve(fileSize);
    ByteWriter w(out);
    out.push_back('B');
    out.push_back('M');
    w.U32(static_cast<std::uint32_t>(fileSize));
    w.U16(0);
    w.U16(0);
    w.U32(static_cast<std::uint32_t>(kBmpHeaderBytes + paletteBytes));
    w.U32(40);
    w.I32(picture.width);
    w.I32(picture.height); // positive: rows stored bottom-up
    w.U16(1);
    w.U16(static_cast<std::uint16_t>(b));
    for (int field = 0; field < 6; ++field) { // compression (none), image size, resolutions, colour counts
        w.U32(0);
    }
    for (std::uint32_t c : palette) { // RGBQUAD: blue, green, red, reserved
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        out.push_back(0);
    }

    // A window picture has few distinct colours, so the nearest-entry search is remembered per colour.
    std::unordered_map<std::uint32_t, std::uint8_t> nearest;
    const auto index = [&](std::uint32_t rgb) {
        rgb &= 0x00FFFFFFu;
        const auto found = nearest.find(rgb);
        if (found != nearest.end()) {
            return found->second;
        }
        const std::uint8_t entry = NearestEntry(palette, rgb);
        nearest.emplace(rgb, entry);
        return entry;
    };

    std::vector<std::uint8_t> row(rowBytes);
    for (int y = picture.height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), std::uint8_t{0});
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t rgb = picture.At(x, y);
            const auto ux = static_cast<std::size_t>(x);
            switch (b) {
            case 32:
                row[ux * 4 + 3] = 0;
                [[fallthrough]];
            case 24: {
                const std::size_t at = ux * static_cast<std::size_t>(b / 8);
                row[at] = static_cast<std::uint8_t>(rgb);
                row[at + 1] = static_cast<std::uint8_t>(rgb >> 8);
                row[at + 2] = static_cast<std::uint8_t>(rgb >> 16);
                break;
            }
            case 8:
                row[ux] = index(rgb);
                break;
            case 4: // high nibble first
                row[ux / 2] |= static_cast<std::uint8_t>(index(rgb) << ((ux % 2 == 0) ? 4 : 0));
                break;
            default: // 1 bit, most significant bit first
                row[ux / 8] |= static_cast<std::uint8_t>(index(rgb) << (7 - ux % 8));
                break;
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

FileResult SaveBmp(const std::string& path, const PixelBuffer& picture, int screenDepth) {
    const std::vector<std::uint8_t> bytes = EncodeBmp(picture, BmpBitsPerPixel(screenDepth));
    if (bytes.empty()) {
        return FileResult::Refused();
    }
    const int error = WriteFileSafely(path, bytes);
    if (error != 0) {
        return FileResult::Refused(CannotSaveMessage(error));
    }
    return FileResult::Success();
}

} // namespace tarnix
