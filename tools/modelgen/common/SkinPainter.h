// Fish skins: an atlas whose alpha is the visible picture (the fish's pixel
// shader outputs only the texture's alpha). The body band is opaque; above
// it each fin's uv footprint is painted with a ray pattern on transparency.
#pragma once

#include "ImageWriters.h"
#include "MeshKit.h"

class SkinPainter {
public:
    SkinPainter(int size, double bandTopV);

    // Paints the uv footprint of each triangle (texture coordinates per
    // vertex), widened by one texel so every triangle samples non-zero alpha.
    void PaintFootprint(const std::vector<double>& tu, const std::vector<double>& tv, const std::vector<Tri>& tris,
                        int firstFace, int faceCount);

    // The image with the given colour (premultiplied by the encoder's DXT2
    // path from this straight colour) and a darker back stripe on the body.
    RgbaImage Image(uint8_t r, uint8_t g, uint8_t b) const;

    // Alpha in 0..255 of a texel, and whether a texel lies in a footprint.
    uint8_t Alpha(int x, int y) const { return alpha[size_t(y) * size + x]; }
    bool InFootprint(int x, int y) const { return footprint[size_t(y) * size + x] != 0; }
    int Size() const { return size; }
    int BandTopRow() const { return bandTop; }

private:
    int size;
    int bandTop;
    std::vector<uint8_t> alpha;
    std::vector<uint8_t> footprint;
};

// DDS bytes of one level of DXT2, and its checks: header fields, size,
// the band opaque, alpha zero outside the footprints.
std::string EncodeSkin(const RgbaImage& image);
bool CheckSkin(CheckLog& log, const std::string& dds, const SkinPainter& painter);
