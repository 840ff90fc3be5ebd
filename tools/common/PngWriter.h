// Minimal PNG encoder (8-bit RGBA, no interlace) over zlib.
// Shared by the host tools and the Windows test support library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PngWriter {
public:
    // Encodes width x height pixels given as 0xAARRGGBB words, row by row from
    // the top. With opaque set the alpha byte is written as 0xFF.
    static std::vector<uint8_t> Encode(int width, int height, const uint32_t* argb, bool opaque);

    // Encodes and writes to path. Returns false when the file cannot be written
    // or the size is not positive.
    static bool Write(const std::string& path, int width, int height, const uint32_t* argb, bool opaque);
};
