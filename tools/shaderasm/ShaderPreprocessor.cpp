#include "ShaderPreprocessor.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace {

const int MaxIncludeDepth = 16;
const int MaxExpansionDepth = 64;

bool IsIdentifierStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool IsIdentifierChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string Trim(const std::string& s)
{
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(s[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1])))
        --end;
    return s.substr(begin, end - begin);
}

// The code of one line without its comments: ';' and '//' end the line,
// '/* */' may span lines (inBlock carries the state between lines).
std::string StripComments(const std::string& line, bool& inBlock)
{
    std::string code;
    size_t i = 0;
    while (i < line.size()) {
        if (inBlock) {
            size_t close = line.find("*/", i);
            if (close == std::string::npos)
                return code;
            inBlock = false;
            i = close + 2;
            code += ' ';
            continue;
        }
        char c = line[i];
        if (c == '"') { // an #include name: copied whole
            size_t close = line.find('"', i + 1);
            if (close == std::string::npos)
                close = line.size() - 1;
            code.append(line, i, close - i + 1);
            i = close + 1;
        } else if (c == ';' || (c == '/' && i + 1 < line.size() && line[i + 1] == '/')) {
            return code;
        } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '*') {
            inBlock = true;
            i += 2;
        } else {
            code += c;
            ++i;
        }
    }
    return code;
}

// Splits "name rest" after a directive keyword: the identifier and what follows.
bool TakeIdentifier(const std::string& s, std::string* name, std::string* rest)
{
    std::string t = Trim(s);
    if (t.empty() || !IsIdentifierStart(t[0]))
        return false;
    size_t end = 1;
    while (end < t.size() && IsIdentifierChar(t[end]))
        ++end;
    *name = t.substr(0, end);
    *rest = t.substr(end);
    return true;
}

// The path with backslashes as '/' and "dir/.." and "." segments taken out, so that a
// file has one name however it was reached.
std::string Normalize(const std::string& path)
{
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    const bool rooted = !p.empty() && p[0] == '/';
    std::vector<std::string> parts;
    size_t at = 0;
    while (at <= p.size()) {
        size_t slash = p.find('/', at);
        if (slash == std::string::npos)
            slash = p.size();
        std::string part = p.substr(at, slash - at);
        at = slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == ".." && !parts.empty() && parts.back() != "..")
            parts.pop_back();
        else if (part != ".." || !rooted)
            parts.push_back(part);
    }
    std::string out = rooted ? "/" : "";
    for (size_t k = 0; k < parts.size(); ++k)
        out += (k ? "/" : "") + parts[k];
    return out;
}

std::string DirectoryOf(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

ShaderPreprocessor::ShaderPreprocessor(FileReader reader) : reader_(std::move(reader)) {}

void ShaderPreprocessor::AddIncludeDirectory(const std::string& directory)
{
    includeDirectories_.push_back(directory);
}

bool ShaderPreprocessor::ReadFromDisk(const std::string& path, std::string* text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    *text = content.str();
    return true;
}

bool ShaderPreprocessor::Process(const std::string& source, const std::string& fileName,
                                 std::vector<SourceLine>* lines, std::string* error)
{
    included_.clear();
    onceFiles_.clear();
    macros_.clear();
    conditionals_.clear();
    error_.clear();
    std::vector<SourceLine> result;
    lines_ = &result;
    bool ok = ProcessFile(source, fileName, 0);
    lines_ = nullptr;
    if (!ok) {
        if (error)
            *error = error_;
        return false;
    }
    *lines = std::move(result);
    return true;
}

bool ShaderPreprocessor::Fail(const std::string& fileName, int line, const std::string& message)
{
    error_ = fileName + ":" + std::to_string(line) + ": " + message;
    return false;
}

bool ShaderPreprocessor::Active() const
{
    return conditionals_.empty() || conditionals_.back().active;
}

bool ShaderPreprocessor::ProcessFile(const std::string& text, const std::string& fileName, int depth)
{
    const size_t outerConditionals = conditionals_.size();
    bool inBlock = false;
    int blockStart = 0;
    int number = 0;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string raw = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();

        if (!inBlock)
            blockStart = number;
        std::string code = Trim(StripComments(raw, inBlock));
        if (code.empty())
            continue;
        if (code[0] == '#') {
            if (!Directive(code.substr(1), fileName, number, depth))
                return false;
            continue;
        }
        if (!Active())
            continue;
        std::set<std::string> active;
        std::string expanded;
        if (!Expand(code, active, &expanded, 0))
            return Fail(fileName, number, error_);
        expanded = Trim(expanded);
        if (!expanded.empty())
            lines_->push_back({fileName, number, expanded, code});
    }
    if (inBlock)
        return Fail(fileName, blockStart, "the /* comment is not closed");
    if (conditionals_.size() > outerConditionals)
        return Fail(fileName, conditionals_.back().line, "#if without #endif");
    return true;
}

bool ShaderPreprocessor::Directive(const std::string& text, const std::string& fileName, int line, int depth)
{
    std::string keyword;
    std::string rest;
    if (!TakeIdentifier(text, &keyword, &rest))
        return Fail(fileName, line, "a directive name must follow #");
    rest = Trim(rest);

    if (keyword == "ifdef" || keyword == "ifndef") {
        std::string name;
        std::string extra;
        if (!TakeIdentifier(rest, &name, &extra) || !Trim(extra).empty())
            return Fail(fileName, line, "#" + keyword + " takes one macro name");
        bool defined = macros_.count(name) != 0;
        bool taken = keyword == "ifdef" ? defined : !defined;
        conditionals_.push_back({Active() && taken, Active(), false, line});
        return true;
    }
    if (keyword == "else" || keyword == "endif") {
        if (conditionals_.empty())
            return Fail(fileName, line, "#" + keyword + " without #ifdef or #ifndef");
        if (!rest.empty())
            return Fail(fileName, line, "unexpected text after #" + keyword);
        Conditional& c = conditionals_.back();
        if (keyword == "endif") {
            conditionals_.pop_back();
        } else {
            if (c.sawElse)
                return Fail(fileName, line, "a second #else");
            c.sawElse = true;
            c.active = c.parentActive && !c.active;
        }
        return true;
    }
    if (!Active())
        return true; // other directives in a branch not taken are skipped

    if (keyword == "include")
        return Include(rest, fileName, line, depth);
    if (keyword == "define") {
        std::string name;
        std::string body;
        if (!TakeIdentifier(rest, &name, &body))
            return Fail(fileName, line, "#define needs a macro name");
        if (!body.empty() && body[0] == '(')
            return Fail(fileName, line, "macros with parameters are not supported");
        body = Trim(body);
        auto found = macros_.find(name);
        if (found != macros_.end() && found->second != body)
            return Fail(fileName, line, "'" + name + "' is already defined as '" + found->second + "'");
        macros_[name] = body;
        return true;
    }
    if (keyword == "undef") {
        std::string name;
        std::string extra;
        if (!TakeIdentifier(rest, &name, &extra) || !Trim(extra).empty())
            return Fail(fileName, line, "#undef takes one macro name");
        macros_.erase(name);
        return true;
    }
    if (keyword == "pragma" && rest == "once") {
        onceFiles_.insert(fileName);
        return true;
    }
    return Fail(fileName, line, "unsupported directive #" + keyword);
}

bool ShaderPreprocessor::Include(const std::string& argument, const std::string& fileName, int line, int depth)
{
    if (argument.size() < 2 || argument.front() != '"' || argument.back() != '"')
        return Fail(fileName, line, "#include needs a file name in double quotes");
    std::string name = argument.substr(1, argument.size() - 2);
    if (name.empty())
        return Fail(fileName, line, "#include needs a file name in double quotes");
    if (depth + 1 > MaxIncludeDepth)
        return Fail(fileName, line, "#include nested too deeply (an include cycle?)");

    std::vector<std::string> candidates;
    const bool absolute = name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':');
    if (absolute) {
        candidates.push_back(name);
    } else {
        candidates.push_back(DirectoryOf(fileName) + name);
        for (const std::string& directory : includeDirectories_) {
            std::string prefix = directory;
            if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\')
                prefix += '/';
            candidates.push_back(prefix + name);
        }
    }
    for (std::string path : candidates) {
        path = Normalize(path);
        std::string text;
        if (!reader_(path, &text))
            continue;
        included_.push_back(path);
        if (onceFiles_.count(path))
            return true;
        return ProcessFile(text, path, depth + 1);
    }
    return Fail(fileName, line, "cannot open include file \"" + name + "\"");
}

bool ShaderPreprocessor::Expand(const std::string& text, std::set<std::string>& active, std::string* out, int depth)
{
    if (depth > MaxExpansionDepth) {
        error_ = "macro expansion nested too deeply";
        return false;
    }
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            (c == '.' && i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
            // A number, taken whole so that its letters (1.0f, 0x1F) are not names.
            size_t end = i + 1;
            while (end < text.size()) {
                char d = text[end];
                if ((d == '+' || d == '-') && (text[end - 1] == 'e' || text[end - 1] == 'E') &&
                    text.compare(i, 2, "0x") != 0 && text.compare(i, 2, "0X") != 0) {
                    ++end;
                } else if (IsIdentifierChar(d) || d == '.') {
                    ++end;
                } else {
                    break;
                }
            }
            out->append(text, i, end - i);
            i = end;
        } else if (IsIdentifierStart(c)) {
            size_t end = i + 1;
            while (end < text.size() && IsIdentifierChar(text[end]))
                ++end;
            std::string name = text.substr(i, end - i);
            auto found = macros_.find(name);
            if (found != macros_.end() && !active.count(name)) {
                active.insert(name);
                bool ok = Expand(found->second, active, out, depth + 1);
                active.erase(name);
                if (!ok)
                    return false;
            } else {
                *out += name;
            }
            i = end;
        } else {
            *out += c;
            ++i;
        }
    }
    return true;
}
