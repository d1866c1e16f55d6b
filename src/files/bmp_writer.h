// The window picture as a Windows bitmap file: our own writer, so the file has exactly the layout of a
// device-independent bitmap (14-byte file header, 40-byte information header, palette for 1, 4 and 8
// bits, bottom-up rows padded to 4 bytes) whatever image library the platform offers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/file_result.h"

namespace tarnix {

// A captured picture: rows top-down, one 0x00RRGGBB value per pixel.
struct PixelBuffer {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // width x height values

    bool Empty() const { return width <= 0 || height <= 0; }
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

inline constexpr std::size_t kBmpHeaderBytes = 54; // file header + information header

// Bits per pixel of the file for a screen colour depth (bits per pixel times planes): below 2 gives 1,
// below 5 gives 4, below 9 gives 8, below 25 gives 24, anything deeper 32.
int BmpBitsPerPixel(int screenDepth);
// Bytes in one stored row: the row padded to a multiple of four bytes.
std::size_t BmpRowBytes(int bitsPerPixel, int width);
// The palette the file carries for 1, 4 and 8 bits (2, 16 and 256 entries, 0x00RRGGBB), modelled on the
// platform's default palettes; empty for 24 and 32 bits.
std::span<const std::uint32_t> BmpPalette(int bitsPerPixel);

// The complete file. Pixels of a palette format take the nearest palette entry. Empty when the
// picture is empty or its pixel count does not match its size, or the bit count is not 1, 4, 8, 24 or 32.
std::vector<std::uint8_t> EncodeBmp(const PixelBuffer& picture, int bitsPerPixel);

// Creates (truncating) `path` and writes the picture at the bit count of `screenDepth`, whatever the
// name's extension. A file that cannot be created gives "Cann't save file: %s" with the system's text;
// an empty picture writes nothing and fails without a message.
FileResult SaveBmp(const std::string& path, const PixelBuffer& picture, int screenDepth);

} // namespace tarnix
