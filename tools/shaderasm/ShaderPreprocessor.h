// The preprocessing pass of the shader assembler: comments, #include,
// #define and the #ifdef family, giving the instruction lines with every
// macro expanded and the file and line each came from.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct SourceLine {
    std::string file;
    int line = 0;
    std::string text;     // trimmed, comments removed, macros expanded; never empty
    std::string original; // the same before macro expansion
};

class ShaderPreprocessor {
public:
    // Reads a whole file; false when it cannot be opened.
    using FileReader = std::function<bool(const std::string& path, std::string* text)>;

    explicit ShaderPreprocessor(FileReader reader = ReadFromDisk);

    // #include "name" looks next to the including file first, then here, in
    // the order added.
    void AddIncludeDirectory(const std::string& directory);

    // Preprocesses source (named fileName in messages and for relative
    // includes). On failure error is "file:line: message".
    bool Process(const std::string& source, const std::string& fileName, std::vector<SourceLine>* lines,
                 std::string* error);

    // The files #include opened during the last Process, as opened.
    const std::vector<std::string>& IncludedFiles() const { return included_; }

    static bool ReadFromDisk(const std::string& path, std::string* text);

private:
    bool ProcessFile(const std::string& text, const std::string& fileName, int depth);
    bool Directive(const std::string& text, const std::string& fileName, int line, int depth);
    bool Include(const std::string& argument, const std::string& fileName, int line, int depth);
    bool Expand(const std::string& text, std::set<std::string>& active, std::string* out, int depth);
    bool Active() const;
    bool Fail(const std::string& fileName, int line, const std::string& message);

    struct Conditional {
        bool active;      // this branch is taken and every enclosing one is too
        bool parentActive;
        bool sawElse;
        int line;
    };

    FileReader reader_;
    std::vector<std::string> includeDirectories_;
    std::vector<std::string> included_;
    std::set<std::string> onceFiles_;
    std::map<std::string, std::string> macros_; // name, body
    std::vector<Conditional> conditionals_;
    std::vector<SourceLine>* lines_ = nullptr;
    std::string error_;
};
