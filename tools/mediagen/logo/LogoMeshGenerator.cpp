// LogoShape.x: the logo, a binary .x file ("xof 0303bin 0032") holding a
// Frame with the Mesh "mesh1": a perforated plate of 1,274 vertices and
// 2,132 triangles, x from -3.44 to 4.37, y from -1.61 to 1.61, its rim at
// z 0 rising to a plateau at z -0.2 (towards the viewer), with one
// material (diffuse grey 0.8627, power 100). No normals and no texture
// coordinates: the loader computes the normals.

#include "common/ImageCheck.h"
#include "GeneratorRegistry.h"
#include "WriteIfChanged.h"
#include "XWriter.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// A grid of 49 x 26 vertices; 134 of its 48 x 25 cells are holes.
const int Columns = 49;
const int Rows = 26;
const float Left = -3.44f, Right = 4.37f, Bottom = -1.61f, Top = 1.61f, Depth = -0.2f;
const int ExpectedVertices = 1274;
const int ExpectedTriangles = 2132;

// Holes every third cell in both directions, and six more notches along
// the top edge; every vertex keeps a cell.
bool IsHole(int i, int j)
{
    if (i % 3 != 1)
        return false;
    return j % 3 == 1 || (j == Rows - 2 && i < 18);
}

float Plateau(float t) // 0 at either end, 1 across the middle
{
    const float edge = std::min(t, 1.0f - t);
    const float s = std::clamp(edge / 0.12f, 0.0f, 1.0f);
    return s * s * (3 - 2 * s);
}

int Generate(const std::string& outDir)
{
    const char* name = "LogoShape.x";
    std::vector<float> positions;
    for (int j = 0; j < Rows; ++j)
        for (int i = 0; i < Columns; ++i) {
            const float u = float(i) / (Columns - 1), v = float(j) / (Rows - 1);
            const float x = i == Columns - 1 ? Right : Left + u * (Right - Left);
            const float y = j == Rows - 1 ? Top : Bottom + v * (Top - Bottom);
            positions.insert(positions.end(), {x, y, Depth * Plateau(u) * Plateau(v)});
        }
    std::vector<uint32_t> faces{0};
    std::vector<int> used(Columns * Rows, 0);
    uint32_t triangles = 0;
    for (int j = 0; j + 1 < Rows; ++j)
        for (int i = 0; i + 1 < Columns; ++i) {
            if (IsHole(i, j))
                continue;
            const uint32_t v00 = j * Columns + i, v10 = v00 + 1, v01 = v00 + Columns, v11 = v01 + 1;
            // Wound so that the normals face -z, towards the viewer.
            faces.insert(faces.end(), {3, v00, v01, v10, 3, v10, v01, v11});
            for (uint32_t v : {v00, v10, v01, v11})
                used[v] = 1;
            triangles += 2;
        }
    faces[0] = triangles;

    const int vertices = int(positions.size() / 3);
    if (vertices != ExpectedVertices || int(triangles) != ExpectedTriangles)
        return mediacheck::Fail(name, "wrong vertex or triangle count"), 1;
    if (std::count(used.begin(), used.end(), 0) != 0)
        return mediacheck::Fail(name, "a vertex without a triangle"), 1;
    float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
    for (size_t k = 0; k < positions.size(); ++k) {
        low[k % 3] = std::min(low[k % 3], positions[k]);
        high[k % 3] = std::max(high[k % 3], positions[k]);
    }
    if (low[0] != Left || high[0] != Right || low[1] != Bottom || high[1] != Top || low[2] != Depth || high[2] != 0)
        return mediacheck::Fail(name, "wrong extents"), 1;

    xwriter::Writer w("xof 0303bin 0032");
    w.Begin("Frame", "Logo");
    w.Begin("FrameTransformMatrix");
    w.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    w.End();
    w.Begin("Mesh", "mesh1");
    w.Ints({uint32_t(vertices)});
    w.Floats(positions);
    w.Ints(faces);
    w.Begin("MeshMaterialList");
    std::vector<uint32_t> list{1, triangles};
    list.resize(2 + triangles, 0);
    w.Ints(list);
    w.Begin("Material");
    // Face colour (r, g, b, a), power, specular (r, g, b), emissive (r, g, b).
    w.Floats({0.8627f, 0.8627f, 0.8627f, 1.0f, 100.0f, 0, 0, 0, 0, 0, 0});
    w.End();
    w.End();
    w.End();
    w.End();

    const std::string& bytes = w.Bytes();
    if (bytes.compare(0, 16, "xof 0303bin 0032") != 0)
        return mediacheck::Fail(name, "bad header"), 1;
    if (!WriteIfChanged(outDir + "/" + name, bytes))
        return mediacheck::Fail(name, "cannot write"), 1;
    return 0;
}

} // namespace

REEF_GENERATOR(LogoMesh, Generate);
