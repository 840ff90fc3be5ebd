// Writes the program's icon: a Windows .ico with the fish artwork at 48 x 48,
// 32 x 32 and 16 x 16, as 32-bit images with alpha and an AND mask. The file
// is the same on every run. After writing, the tool reads the file back and
// checks it, and exits with 1 when anything is wrong.
//
//   iconmaker out.ico                   write the icon
//   iconmaker out.ico --png out.png     also write the 32 x 32 image as PNG

#include "CheckIco.h"
#include "EncodeIco.h"
#include "RenderFishIcon.h"

#include "../common/PngWriter.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const int Sizes[] = {48, 32, 16};

// The artwork itself must hold up: transparent corners, an opaque tile, and
// the fish's orange at its body.
std::string CheckArtwork(const IcoImage& image)
{
    const int n = image.size;
    auto at = [&](int x, int y) { return image.argb[size_t(y) * n + x]; };
    if (at(0, 0) >> 24 || at(n - 1, 0) >> 24 || at(0, n - 1) >> 24 || at(n - 1, n - 1) >> 24)
        return "corners are not transparent";
    if (at(n / 2, n / 8) >> 24 != 0xFF || at(n / 8, n / 2) >> 24 != 0xFF)
        return "tile is not opaque";
    const uint32_t body = at(n * 9 / 16, n * 9 / 16);
    const uint32_t r = (body >> 16) & 0xFF, g = (body >> 8) & 0xFF, b = body & 0xFF;
    if (!(r > 200 && g > 60 && g < 190 && b < 90))
        return "body is not orange";
    return "";
}

} // namespace

int main(int argc, char** argv)
{
    const char* pngPath = nullptr;
    if (argc == 4 && std::strcmp(argv[2], "--png") == 0)
        pngPath = argv[3];
    else if (argc != 2) {
        std::fprintf(stderr, "usage: iconmaker out.ico [--png out.png]\n");
        return 2;
    }

    std::vector<IcoImage> images;
    for (int size : Sizes) {
        images.push_back({size, RenderFishIcon(size)});
        std::string problem = CheckArtwork(images.back());
        if (!problem.empty()) {
            std::fprintf(stderr, "iconmaker: %dx%d artwork: %s\n", size, size, problem.c_str());
            return 1;
        }
    }
    const std::vector<uint8_t> ico = EncodeIco(images);

    {
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(ico.data()), std::streamsize(ico.size()));
        if (!out) {
            std::fprintf(stderr, "iconmaker: cannot write %s\n", argv[1]);
            return 1;
        }
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string problem = CheckIco(written, images);
    if (!problem.empty()) {
        std::fprintf(stderr, "iconmaker: %s: %s\n", argv[1], problem.c_str());
        return 1;
    }

    if (pngPath) {
        const IcoImage& image = images[1];
        if (!PngWriter::Write(pngPath, image.size, image.size, image.argb.data(), false)) {
            std::fprintf(stderr, "iconmaker: cannot write %s\n", pngPath);
            return 1;
        }
    }
    return 0;
}
