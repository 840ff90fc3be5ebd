#include "Image.h"

#include "PngWriter.h"

#include <gtest/gtest.h>

bool Image::SavePng(const std::string& path) const
{
    return !Empty() && PngWriter::Write(path, width, height, pixels.data(), false);
}

void Image::SavePngIfFailed(const std::string& name) const
{
    if (!::testing::Test::HasFailure() || Empty())
        return;
    std::string path = name + ".png";
    if (SavePng(path))
        std::printf("saved the picture of the failing test as test-output/%s\n", path.c_str());
}
