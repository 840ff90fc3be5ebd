#include "XWriter.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>

namespace xwriter {

void Writer::U16(uint16_t v)
{
    bytes_ += char(v & 0xFF);
    bytes_ += char(v >> 8);
}

void Writer::U32(uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes_ += char((v >> (8 * i)) & 0xFF);
}

void Writer::Tok(Token t)
{
    U16(t);
}

void Writer::NameTok(const std::string& name)
{
    U16(Name);
    U32(uint32_t(name.size()));
    bytes_ += name;
}

void Writer::IntegerTok(uint32_t value)
{
    U16(Integer);
    U32(value);
}

bool Writer::GuidTok(const std::string& text)
{
    // 8-4-4-4-12 hex digits.
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return false;
    std::string hex;
    for (char c : text)
        if (c != '-') {
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
            hex += c;
        }
    auto field = [&](size_t at, size_t digits) { return uint32_t(std::strtoul(hex.substr(at, digits).c_str(), nullptr, 16)); };
    U16(Guid);
    U32(field(0, 8));
    U16(uint16_t(field(8, 4)));
    U16(uint16_t(field(12, 4)));
    for (int i = 0; i < 8; ++i)
        bytes_ += char(field(16 + 2 * i, 2));
    return true;
}

void Writer::Ints(const std::vector<uint32_t>& values)
{
    U16(IntegerList);
    U32(uint32_t(values.size()));
    for (uint32_t v : values)
        U32(v);
}

void Writer::Floats(const std::vector<float>& values)
{
    U16(FloatList);
    U32(uint32_t(values.size()));
    for (float f : values) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        U32(bits);
    }
}

void Writer::StringTok(const std::string& value)
{
    U16(String);
    U32(uint32_t(value.size()));
    bytes_ += value;
    U16(Semicolon);
}

void Writer::Begin(const std::string& templateName, const std::string& objectName)
{
    NameTok(templateName);
    if (!objectName.empty())
        NameTok(objectName);
    Tok(OBrace);
}

bool CompileTemplates(const std::string& text, Writer& out, std::string* error)
{
    static const std::map<std::string, Token> keywords = {
        {"template", Template}, {"WORD", Word},   {"DWORD", Dword},     {"FLOAT", Float},     {"DOUBLE", Double},
        {"CHAR", Char},         {"UCHAR", Uchar}, {"SWORD", Sword},     {"SDWORD", Sdword},   {"STRING", Lpstr},
        {"UNICODE", Unicode},   {"CSTRING", Cstring}, {"array", Array},
    };
    static const std::map<char, Token> punctuation = {
        {'{', OBrace}, {'}', CBrace}, {'[', OBracket}, {']', CBracket},
        {'.', Dot},    {',', Comma},  {';', Semicolon},
    };
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isspace(c)) {
            ++i;
        } else if (c == '<') {
            const size_t close = text.find('>', i);
            if (close == std::string::npos || !out.GuidTok(text.substr(i + 1, close - i - 1))) {
                *error = "bad GUID at offset " + std::to_string(i);
                return false;
            }
            i = close + 1;
        } else if (std::isdigit(c)) {
            size_t j = i;
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
                ++j;
            out.IntegerTok(uint32_t(std::strtoul(text.substr(i, j - i).c_str(), nullptr, 10)));
            i = j;
        } else if (std::isalpha(c) || c == '_') {
            size_t j = i;
            while (j < text.size() && (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_'))
                ++j;
            const std::string word = text.substr(i, j - i);
            const auto k = keywords.find(word);
            if (k != keywords.end())
                out.Tok(k->second);
            else
                out.NameTok(word);
            i = j;
        } else {
            const auto p = punctuation.find(char(c));
            if (p == punctuation.end()) {
                *error = std::string("unexpected character '") + char(c) + "'";
                return false;
            }
            out.Tok(p->second);
            ++i;
        }
    }
    return true;
}

namespace {

// The standard DirectX file templates with their standard identifiers.
const char* const StandardTemplates = R"(
template Header { <3D82AB43-62DA-11CF-AB39-0020AF71E433> WORD major; WORD minor; DWORD flags; }
template Vector { <3D82AB5E-62DA-11CF-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
template Coords2d { <F6F23F44-7686-11CF-8F52-0040333594A3> FLOAT u; FLOAT v; }
template Matrix4x4 { <F6F23F45-7686-11CF-8F52-0040333594A3> array FLOAT matrix[16]; }
template ColorRGBA { <35FF44E0-6C7C-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; FLOAT alpha; }
template ColorRGB { <D3E16E81-7835-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; }
template IndexedColor { <1630B820-7842-11CF-8F52-0040333594A3> DWORD index; ColorRGBA indexColor; }
template Boolean { <537DA6A0-CA37-11D0-941C-0080C80CFA7B> DWORD truefalse; }
template Boolean2d { <4885AE63-78E8-11CF-8F52-0040333594A3> Boolean u; Boolean v; }
template MaterialWrap { <4885AE60-78E8-11CF-8F52-0040333594A3> Boolean u; Boolean v; }
template TextureFilename { <A42790E1-7810-11CF-8F52-0040333594A3> STRING filename; }
template Material { <3D82AB4D-62DA-11CF-AB39-0020AF71E433> ColorRGBA faceColor; FLOAT power;
  ColorRGB specularColor; ColorRGB emissiveColor; [...] }
template MeshFace { <3D82AB5F-62DA-11CF-AB39-0020AF71E433> DWORD nFaceVertexIndices;
  array DWORD faceVertexIndices[nFaceVertexIndices]; }
template MeshFaceWraps { <ED1EC5C0-C0A8-11D0-941C-0080C80CFA7B> DWORD nFaceWrapValues;
  array Boolean2d faceWrapValues[nFaceWrapValues]; }
template MeshTextureCoords { <F6F23F40-7686-11CF-8F52-0040333594A3> DWORD nTextureCoords;
  array Coords2d textureCoords[nTextureCoords]; }
template MeshMaterialList { <F6F23F42-7686-11CF-8F52-0040333594A3> DWORD nMaterials; DWORD nFaceIndexes;
  array DWORD faceIndexes[nFaceIndexes]; [Material] }
template MeshNormals { <F6F23F43-7686-11CF-8F52-0040333594A3> DWORD nNormals; array Vector normals[nNormals];
  DWORD nFaceNormals; array MeshFace faceNormals[nFaceNormals]; }
template MeshVertexColors { <1630B821-7842-11CF-8F52-0040333594A3> DWORD nVertexColors;
  array IndexedColor vertexColors[nVertexColors]; }
template Mesh { <3D82AB44-62DA-11CF-AB39-0020AF71E433> DWORD nVertices; array Vector vertices[nVertices];
  DWORD nFaces; array MeshFace faces[nFaces]; [...] }
template FrameTransformMatrix { <F6F23F41-7686-11CF-8F52-0040333594A3> Matrix4x4 frameMatrix; }
template Frame { <3D82AB46-62DA-11CF-AB39-0020AF71E433> [...] }
template FloatKeys { <10DD46A9-775B-11CF-8F52-0040333594A3> DWORD nValues; array FLOAT values[nValues]; }
template TimedFloatKeys { <F406B180-7B3B-11CF-8F52-0040333594A3> DWORD time; FloatKeys tfkeys; }
template AnimationKey { <10DD46A8-775B-11CF-8F52-0040333594A3> DWORD keyType; DWORD nKeys;
  array TimedFloatKeys keys[nKeys]; }
template AnimationOptions { <E2BF56C0-840F-11CF-8F52-0040333594A3> DWORD openclosed; DWORD positionquality; }
template Animation { <3D82AB4F-62DA-11CF-AB39-0020AF71E433> [...] }
template AnimationSet { <3D82AB50-62DA-11CF-AB39-0020AF71E433> [Animation] }
template InlineData { <3A23EEA0-94B1-11D0-AB39-0020AF71E433> [BINARY] }
template Url { <3A23EEA1-94B1-11D0-AB39-0020AF71E433> DWORD nUrls; array STRING urls[nUrls]; }
template ProgressiveMesh { <8A63C360-997D-11D0-941C-0080C80CFA7B> [Url, InlineData] }
template Guid { <A42790E0-7810-11CF-8F52-0040333594A3> DWORD data1; WORD data2; WORD data3; array UCHAR data4[8]; }
template StringProperty { <7F0F21E0-BFE1-11D1-82C0-00A0C9697271> STRING key; STRING value; }
template PropertyBag { <7F0F21E1-BFE1-11D1-82C0-00A0C9697271> [StringProperty] }
template ExternalVisual { <98116AA0-BDBA-11D1-82C0-00A0C9697271> Guid guidExternalVisual; [...] }
template RightHanded { <7F5D5EA0-D53A-11D1-82C0-00A0C9697271> DWORD bRightHanded; }
)";

void Material(Writer& w, float r, float g, float b, const std::string& texture)
{
    w.Begin("Material");
    w.Floats({r, g, b, 1.0f, 8.0f, 0.25f, 0.25f, 0.25f, 0.0f, 0.0f, 0.0f});
    if (!texture.empty()) {
        w.Begin("TextureFilename");
        w.StringTok(texture);
        w.End();
    }
    w.End();
}

// A lone triangle at z = 2, before the frame, so that a search must pass it.
void Decoy(Writer& w)
{
    w.Begin("Mesh", "mesh2");
    w.Ints({3});
    w.Floats({0, 0, 2, 0, 1, 2, 1, 1, 2});
    w.Ints({1, 3, 0, 1, 2});
    w.End();
}

// Vertices 0-3: a quad in z = 0 wound (0,0,0) (0,1,0) (1,1,0) (1,0,0), so
// its normal is -z; vertex 4 is used by nothing; 5-7: a triangle in z = 1
// with normal +z. The quad has material 1, the triangle material 0. The
// file's normals all point along +x, and vertex 4 has texture coordinates
// of its own.
void QuadAndTriangle(Writer& w, const std::string& meshName, const std::vector<uint32_t>& faces)
{
    w.Begin("Mesh", meshName);
    w.Ints({8});
    w.Floats({0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 5, 5, 5, 0, 0, 1, 1, 0, 1, 0, 1, 1});
    w.Ints(faces);
    w.Begin("MeshNormals");
    w.Ints({1});
    w.Floats({1, 0, 0});
    w.Ints({2, 4, 0, 0, 0, 0, 3, 0, 0, 0});
    w.End();
    w.Begin("MeshTextureCoords");
    w.Ints({8});
    w.Floats({0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.9f, 0.9f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f});
    w.End();
    w.Begin("MeshMaterialList");
    w.Ints({2, 2, 1, 0});
    Material(w, 0.5f, 0.25f, 0.75f, "skin.tga");
    Material(w, 1.0f, 0.0f, 0.0f, "");
    w.End();
    w.End();
}

const std::vector<uint32_t> QuadAndTriangleFaces{2, 4, 0, 1, 2, 3, 3, 5, 6, 7};

// The decoy, then Frame "root" { matrix; Frame "inner" { the mesh } }.
std::string InFrame(const std::string& meshName, const std::vector<uint32_t>& faces = QuadAndTriangleFaces)
{
    Writer w("xof 0303bin 0032");
    Decoy(w);
    w.Begin("Frame", "root");
    w.Begin("FrameTransformMatrix");
    w.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    w.End();
    w.Begin("Frame", "inner");
    QuadAndTriangle(w, meshName, faces);
    w.End();
    w.End();
    return w.Bytes();
}

// "mesh1" names a frame, not a mesh.
std::string FrameNamedMesh1()
{
    Writer w("xof 0303bin 0032");
    w.Begin("Frame", "mesh1");
    QuadAndTriangle(w, "inside", QuadAndTriangleFaces);
    w.End();
    return w.Bytes();
}

// "mesh1" whose only face repeats a vertex.
std::string Degenerate()
{
    Writer w("xof 0303bin 0032");
    w.Begin("Mesh", "mesh1");
    w.Ints({3});
    w.Floats({0, 0, 0, 0, 1, 0, 1, 1, 0});
    w.Ints({1, 3, 0, 0, 1});
    w.End();
    return w.Bytes();
}

// "mesh1": 21 separate triangles, each with a material of its own.
std::string ManyMaterials()
{
    const uint32_t n = 21;
    Writer w("xof 0303bin 0032");
    w.Begin("Mesh", "mesh1");
    w.Ints({3 * n});
    std::vector<float> positions;
    std::vector<uint32_t> faces{n};
    for (uint32_t f = 0; f < n; ++f) {
        const float z = float(f);
        for (float p : {0.0f, 0.0f, z, 0.0f, 1.0f, z, 1.0f, 1.0f, z})
            positions.push_back(p);
        for (uint32_t v : {3u, 3 * f, 3 * f + 1, 3 * f + 2})
            faces.push_back(v);
    }
    w.Floats(positions);
    w.Ints(faces);
    w.Begin("MeshMaterialList");
    std::vector<uint32_t> list{n, n};
    for (uint32_t f = 0; f < n; ++f)
        list.push_back(f);
    w.Ints(list);
    for (uint32_t f = 0; f < n; ++f)
        Material(w, float(f) / n, 0, 0, "");
    w.End();
    w.End();
    return w.Bytes();
}

} // namespace

std::string TemplateBlock(std::string* error)
{
    Writer w("xof 0302bin 0064");
    if (!CompileTemplates(StandardTemplates, w, error))
        return "";
    return w.Bytes();
}

std::vector<NamedFile> TestMeshes()
{
    // The triangle's last index is 8, one past the last vertex.
    const std::vector<uint32_t> outOfRange{2, 4, 0, 1, 2, 3, 3, 5, 6, 8};
    return {{"XMeshInFrame.x", InFrame("mesh1")},
            {"XNoMesh1.x", InFrame("other")},
            {"XFrameNamedMesh1.x", FrameNamedMesh1()},
            {"XIndexOutOfRange.x", InFrame("mesh1", outOfRange)},
            {"XDegenerate.x", Degenerate()},
            {"XManyMaterials.x", ManyMaterials()}};
}

} // namespace xwriter
