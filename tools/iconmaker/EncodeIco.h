// Windows .ico files holding 32-bit images.
#pragma once

#include <cstdint>
#include <vector>

// One square image: size x size pixels as 0xAARRGGBB words (straight alpha),
// top row first. size is 1 to 256.
struct IcoImage {
    int size;
    std::vector<uint32_t> argb;
};

// The .ico file: the directory, then per image a BITMAPINFOHEADER (height
// doubled for the mask), the BGRA pixels bottom row first, and the 1-bit AND
// mask (rows padded to 32 bits, set where alpha is below one half) for
// programs that ignore the alpha channel.
std::vector<uint8_t> EncodeIco(const std::vector<IcoImage>& images);

// The AND mask bit of one pixel: set (transparent) where alpha < 128.
inline bool IcoMaskBit(uint32_t argb)
{
    return (argb >> 24) < 128;
}
