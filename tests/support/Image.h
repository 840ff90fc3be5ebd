// Pixels read back from the device, as 0xAARRGGBB words from the top row.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    bool Empty() const { return pixels.empty(); }
    uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    // The colour without its alpha byte (X8 formats read back undefined alpha).
    uint32_t Rgb(int x, int y) const { return At(x, y) & 0x00FFFFFFu; }

    bool SavePng(const std::string& path) const;

    // Saves the image as <name>.png in the working directory (the build's
    // test-output folder) when the running test has failed, and says where.
    void SavePngIfFailed(const std::string& name) const;
};

// Whether each colour channel of the pixel at (x, y) lies within tolerance
// of expected (0xRRGGBB); the failure names the pixel and both colours.
::testing::AssertionResult PixelNear(const Image& image, int x, int y, uint32_t expected, int tolerance);
