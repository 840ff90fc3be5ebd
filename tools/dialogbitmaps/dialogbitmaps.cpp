// dialogbitmaps <out-dir>: writes DialogBitmap<id>.bmp for each picture of the
// configuration dialog and checks every file it wrote: a 64 x 64, 24-bit,
// uncompressed BMP, each picture different from the others, and the faded
// pictures paler than their originals.

#include "DialogArt.h"
#include "WriteIfChanged.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const int PictureIds[] = {170, 171, 172, 167, 166, 169, 173, 174, 175, 176, 177};
const int PictureCount = sizeof PictureIds / sizeof PictureIds[0];

uint32_t Read32(const std::string& s, size_t at)
{
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}

uint32_t Read16(const std::string& s, size_t at)
{
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8;
}

std::string Problem(const std::string& bmp)
{
    const size_t pixelBytes = size_t(DialogArtSize) * DialogArtSize * 3; // rows of 192 bytes need no padding
    if (bmp.size() != 54 + pixelBytes)
        return "size";
    if (bmp[0] != 'B' || bmp[1] != 'M' || Read32(bmp, 2) != bmp.size() || Read32(bmp, 10) != 54)
        return "file header";
    if (Read32(bmp, 14) != 40 || Read32(bmp, 18) != uint32_t(DialogArtSize) || Read32(bmp, 22) != uint32_t(DialogArtSize))
        return "dimensions";
    if (Read16(bmp, 26) != 1 || Read16(bmp, 28) != 24 || Read32(bmp, 30) != 0)
        return "planes, bit count or compression";
    return "";
}

// Mean colour saturation (max - min channel) over the picture.
double Saturation(const std::string& bmp)
{
    double sum = 0;
    for (size_t at = 54; at + 2 < bmp.size(); at += 3) {
        const int b = uint8_t(bmp[at]), g = uint8_t(bmp[at + 1]), r = uint8_t(bmp[at + 2]);
        sum += std::max(r, std::max(g, b)) - std::min(r, std::min(g, b));
    }
    return sum / (DialogArtSize * DialogArtSize);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialogbitmaps <out-dir>\n");
        return 2;
    }
    std::string written[PictureCount];
    for (int i = 0; i < PictureCount; ++i) {
        const int id = PictureIds[i];
        const std::string bmp = EncodeBmp24(DrawDialogPicture(id));
        const std::string path = std::string(argv[1]) + "/DialogBitmap" + std::to_string(id) + ".bmp";
        if (!WriteIfChanged(path, bmp)) {
            std::fprintf(stderr, "dialogbitmaps: cannot write %s\n", path.c_str());
            return 1;
        }
        std::ifstream in(path, std::ios::binary);
        written[i].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        const std::string problem = written[i] == bmp ? Problem(written[i]) : "read back differs";
        if (!problem.empty()) {
            std::fprintf(stderr, "dialogbitmaps: %s: %s\n", path.c_str(), problem.c_str());
            return 1;
        }
        for (int j = 0; j < i; ++j)
            if (written[j] == written[i]) {
                std::fprintf(stderr, "dialogbitmaps: pictures %d and %d are the same\n", PictureIds[j], id);
                return 1;
            }
    }
    // 176 fades 166 (index 4), 177 fades 169 (index 5).
    for (int k = 0; k < 2; ++k)
        if (!(Saturation(written[9 + k]) < 0.5 * Saturation(written[4 + k]))) {
            std::fprintf(stderr, "dialogbitmaps: picture %d is not faded\n", PictureIds[9 + k]);
            return 1;
        }
    return 0;
}
