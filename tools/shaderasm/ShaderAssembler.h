// Assembles Direct3D 8 vertex (vs.1.0, vs.1.1) and pixel (ps.1.0, ps.1.1)
// shader text into the token stream CreateVertexShader and
// CreatePixelShader take. Portable C++: it runs in the build as a host tool
// and in the tests under Wine.
#pragma once

#include "ShaderPreprocessor.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Which tokens one source line became, for listings in generated code.
struct ShaderListingLine {
    size_t firstToken = 0;
    size_t tokenCount = 0;
    std::string file;
    int line = 0;
    std::string text; // as written, before macro expansion
};

class ShaderAssembler {
public:
    explicit ShaderAssembler(ShaderPreprocessor::FileReader reader = ShaderPreprocessor::ReadFromDisk);

    // Where #include looks after the including file's own directory.
    void AddIncludeDirectory(const std::string& directory);

    // Assembles source, named fileName in messages and for relative
    // includes. On success tokens holds the stream from the version token
    // to the end token; on failure error is "file:line: message" and tokens
    // is left alone.
    bool Assemble(const std::string& source, const std::string& fileName, std::vector<uint32_t>* tokens,
                  std::string* error);

    // The files the last Assemble included.
    const std::vector<std::string>& IncludedFiles() const { return preprocessor_.IncludedFiles(); }
    // The source line of each instruction of the last successful Assemble.
    const std::vector<ShaderListingLine>& Listing() const { return listing_; }

private:
    ShaderPreprocessor preprocessor_;
    std::vector<ShaderListingLine> listing_;
};
