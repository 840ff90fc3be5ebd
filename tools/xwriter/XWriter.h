// A writer of binary DirectX .x files: the standard template block and the
// small meshes the tests load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xwriter {

// Binary .x token codes.
enum Token : uint16_t {
    Name = 1, String = 2, Integer = 3, Guid = 5, IntegerList = 6, FloatList = 7,
    OBrace = 10, CBrace = 11, OParen = 12, CParen = 13, OBracket = 14, CBracket = 15,
    OAngle = 16, CAngle = 17, Dot = 18, Comma = 19, Semicolon = 20, Template = 31,
    Word = 40, Dword = 41, Float = 42, Double = 43, Char = 44, Uchar = 45, Sword = 46,
    Sdword = 47, Void = 48, Lpstr = 49, Unicode = 50, Cstring = 51, Array = 52,
};

// The size of the standard template block in its usual binary form.
const size_t ExpectedTemplateBlockSize = 3278;

// Appends tokens in binary form.
class Writer {
public:
    explicit Writer(const char* header) : bytes_(header) {}
    void Tok(Token t);
    void NameTok(const std::string& name);
    void IntegerTok(uint32_t value);
    // text: "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX"; false when malformed.
    bool GuidTok(const std::string& text);
    void Ints(const std::vector<uint32_t>& values);
    void Floats(const std::vector<float>& values);
    void StringTok(const std::string& value); // ends with a semicolon
    // A data object: template name, optional object name, opening brace.
    void Begin(const std::string& templateName, const std::string& objectName = "");
    void End() { Tok(CBrace); }
    const std::string& Bytes() const { return bytes_; }

private:
    void U16(uint16_t v);
    void U32(uint32_t v);
    std::string bytes_;
};

// Translates template definitions in the text syntax into binary tokens;
// false (with a message) on anything it does not understand.
bool CompileTemplates(const std::string& text, Writer& out, std::string* error);

// The standard templates, in the usual order, as "xof 0302bin 0064"; empty
// (with *error set) should their text not compile.
std::string TemplateBlock(std::string* error);

struct NamedFile {
    std::string name;
    std::string bytes;
};

// The meshes the tests load, "xof 0303bin 0032", each holding a mesh or a
// frame named "mesh1" unless said otherwise:
// - XMeshInFrame.x: a decoy mesh "mesh2", then a frame in a frame holding
//   "mesh1": a quad and a triangle with an unused vertex between them,
//   texture coordinates, wrong normals and two materials (the first with a
//   texture name).
// - XNoMesh1.x: the same with the mesh named "other".
// - XFrameNamedMesh1.x: "mesh1" is a frame holding the mesh.
// - XIndexOutOfRange.x: XMeshInFrame.x with one index past the vertices.
// - XDegenerate.x: "mesh1" whose only face repeats a vertex.
// - XManyMaterials.x: "mesh1" of 21 triangles with 21 materials.
std::vector<NamedFile> TestMeshes();

} // namespace xwriter
