#include "ShaderAssembler.h"

#include "ShaderTokens.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

using namespace ShaderToken;

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string Trim(const std::string& s)
{
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && IsSpace(s[begin]))
        ++begin;
    while (end > begin && IsSpace(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

void SkipSpaces(const std::string& s, size_t& i)
{
    while (i < s.size() && IsSpace(s[i]))
        ++i;
}

// What a register is, beyond its token type (which is shared: a0 and t#).
enum class Kind { Temp, Input, Const, Texture, Address, Position, Fog, PointSize, Colour, TexCoord };

struct Register {
    Kind kind = Kind::Temp;
    uint32_t type = Temp;
    uint32_t number = 0;
    bool relative = false; // c[a0.x + number]
    std::string name;      // for messages: r0, c[a0.x+4], oPos
};

struct Destination {
    Register reg;
    uint32_t mask = WriteMaskAll;
    bool maskGiven = false;
};

struct Source {
    Register reg;
    uint32_t swizzle = NoSwizzle;
    int components = 0; // letters of the swizzle as written; 0 when none
    bool negate = false;
    bool complement = false;
    bool sign = false; // _bx2
    bool bias = false;
};

enum class Form {
    Arithmetic, // dest, sources
    Scalar,     // dest, one source read as one component
    Matrix,     // dest, vector, first of the matrix's registers
    Texture,    // dest t# only
    TextureFrom, // dest t#, source t#
    Define,     // c#, four numbers
};

struct OpcodeInfo {
    const char* name;
    uint32_t code;
    int sources;
    Form form;
    bool vertex;
    bool pixel;
    int rows;       // Matrix: registers read from the second source
    uint32_t written; // Matrix: components written
};

const OpcodeInfo Opcodes[] = {
    {"mov", Mov, 1, Form::Arithmetic, true, true, 0, 0},
    {"add", Add, 2, Form::Arithmetic, true, true, 0, 0},
    {"sub", Sub, 2, Form::Arithmetic, true, false, 0, 0},
    {"mul", Mul, 2, Form::Arithmetic, true, true, 0, 0},
    {"mad", Mad, 3, Form::Arithmetic, true, true, 0, 0},
    {"dp3", Dp3, 2, Form::Arithmetic, true, true, 0, 0},
    {"dp4", Dp4, 2, Form::Arithmetic, true, false, 0, 0},
    {"min", Min, 2, Form::Arithmetic, true, false, 0, 0},
    {"max", Max, 2, Form::Arithmetic, true, false, 0, 0},
    {"slt", Slt, 2, Form::Arithmetic, true, false, 0, 0},
    {"sge", Sge, 2, Form::Arithmetic, true, false, 0, 0},
    {"rcp", Rcp, 1, Form::Scalar, true, false, 0, 0},
    {"rsq", Rsq, 1, Form::Scalar, true, false, 0, 0},
    {"expp", ExpP, 1, Form::Scalar, true, false, 0, 0},
    {"logp", LogP, 1, Form::Scalar, true, false, 0, 0},
    {"m4x4", M4x4, 2, Form::Matrix, true, false, 4, 0xF},
    {"m3x4", M3x4, 2, Form::Matrix, true, false, 4, 0xF},
    {"m3x3", M3x3, 2, Form::Matrix, true, false, 3, 0x7},
    {"lrp", Lrp, 3, Form::Arithmetic, false, true, 0, 0},
    {"tex", Tex, 0, Form::Texture, false, true, 0, 0},
    {"texcoord", TexCoord, 0, Form::Texture, false, true, 0, 0},
    {"texm3x3pad", TexM3x3Pad, 1, Form::TextureFrom, false, true, 0, 0},
    {"texm3x3vspec", TexM3x3VSpec, 1, Form::TextureFrom, false, true, 0, 0},
    {"def", Def, 4, Form::Define, true, true, 0, 0},
};

const OpcodeInfo* FindOpcode(const std::string& name)
{
    for (const OpcodeInfo& op : Opcodes)
        if (name == op.name)
            return &op;
    return nullptr;
}

int Component(char c)
{
    switch (std::tolower(static_cast<unsigned char>(c))) {
    case 'x': case 'r': return 0;
    case 'y': case 'g': return 1;
    case 'z': case 'b': return 2;
    case 'w': case 'a': return 3;
    default: return -1;
    }
}

std::string MaskText(uint32_t mask)
{
    std::string s;
    for (int c = 0; c < 4; ++c)
        if (mask & (1u << c))
            s += "xyzw"[c];
    return s;
}

// Integer arithmetic in c[...]: + - * / and parentheses over numbers, with
// at most one a0.x added at the outer level.
class IndexExpression {
public:
    explicit IndexExpression(const std::string& text) : s_(text) {}

    bool Evaluate(long* value, bool* relative, std::string* error)
    {
        if (!Sum(value, true) || (i_ != s_.size() && Fail("unexpected '" + s_.substr(i_) + "' in the register index"))) {
            *error = error_;
            return false;
        }
        *relative = relative_;
        return true;
    }

private:
    bool Fail(const std::string& message)
    {
        if (error_.empty())
            error_ = message;
        return false;
    }

    bool Sum(long* value, bool outer)
    {
        *value = 0;
        bool first = true;
        for (;;) {
            bool negative = false;
            if (!first) {
                if (i_ >= s_.size() || (s_[i_] != '+' && s_[i_] != '-'))
                    return true;
                negative = s_[i_++] == '-';
            }
            first = false;
            long term = 0;
            bool isA0 = false;
            if (!Product(&term, &isA0))
                return false;
            if (isA0) {
                if (!outer || negative || relative_)
                    return Fail("a0.x can only be added once to a constant register index");
                relative_ = true;
                continue;
            }
            *value += negative ? -term : term;
        }
    }

    bool Product(long* value, bool* isA0)
    {
        if (!Factor(value, isA0))
            return false;
        while (i_ < s_.size() && (s_[i_] == '*' || s_[i_] == '/')) {
            char op = s_[i_++];
            long right = 0;
            bool rightA0 = false;
            if (!Factor(&right, &rightA0))
                return false;
            if (*isA0 || rightA0)
                return Fail("a0.x can only be added once to a constant register index");
            if (op == '/' && right == 0)
                return Fail("division by zero in the register index");
            *value = op == '*' ? *value * right : *value / right;
        }
        return true;
    }

    bool Factor(long* value, bool* isA0)
    {
        *isA0 = false;
        if (i_ >= s_.size())
            return Fail("the register index ends too early");
        char c = s_[i_];
        if (c == '(') {
            ++i_;
            if (!Sum(value, false))
                return false;
            if (i_ >= s_.size() || s_[i_] != ')')
                return Fail("')' missing in the register index");
            ++i_;
            return true;
        }
        if (c == '-' || c == '+') {
            ++i_;
            bool inner = false;
            if (!Factor(value, &inner))
                return false;
            if (inner)
                return Fail("a0.x can only be added once to a constant register index");
            if (c == '-')
                *value = -*value;
            return true;
        }
        if (std::isdigit(static_cast<unsigned char>(c))) {
            size_t end = i_;
            while (end < s_.size() && IsWordChar(s_[end]))
                ++end;
            std::string number = s_.substr(i_, end - i_);
            char* stop = nullptr;
            errno = 0;
            long v = std::strtol(number.c_str(), &stop, 0);
            if (*stop != '\0' || errno != 0)
                return Fail("'" + number + "' is not a whole number");
            *value = v;
            i_ = end;
            return true;
        }
        if (IsWordChar(c)) {
            size_t end = i_;
            while (end < s_.size() && (IsWordChar(s_[end]) || s_[end] == '.'))
                ++end;
            std::string word = s_.substr(i_, end - i_);
            if (Lower(word) == "a0.x") {
                *isA0 = true;
                i_ = end;
                return true;
            }
            if (Lower(word).rfind("a0", 0) == 0)
                return Fail("relative addressing uses a0.x");
            return Fail("unknown name '" + word + "' in the register index (a missing #define?)");
        }
        return Fail(std::string("unexpected '") + c + "' in the register index");
    }

    std::string s_; // without spaces
    size_t i_ = 0;
    bool relative_ = false;
    std::string error_;
};

struct Limits {
    uint32_t temps, inputs, constants, textures;
};

// Registers read by one instruction, per register type, for the read port limits.
struct Reads {
    std::set<std::string> temps, inputs, constants, textures;
};

// One assembly run: the state of the shader so far and its tokens.
class Assembly {
public:
    Assembly(std::vector<uint32_t>& tokens, std::vector<ShaderListingLine>& listing)
        : tokens_(tokens), listing_(listing)
    {
    }

    bool Run(const std::vector<SourceLine>& lines, const std::string& fileName, std::string* error)
    {
        for (const SourceLine& line : lines) {
            line_ = &line;
            size_t first = tokens_.size();
            bool ok = haveVersion_ ? Instruction(line.text) : Version(line.text);
            if (!ok) {
                *error = line.file + ":" + std::to_string(line.line) + ": " + message_;
                return false;
            }
            listing_.push_back({first, tokens_.size() - first, line.file, line.line, line.original});
        }
        std::string where = fileName + ":1";
        if (line_)
            where = line_->file + ":" + std::to_string(line_->line);
        if (!haveVersion_) {
            *error = where + ": no version instruction (vs.1.0, vs.1.1, ps.1.0 or ps.1.1)";
            return false;
        }
        if (!Finish()) {
            *error = where + ": " + message_;
            return false;
        }
        tokens_.push_back(End);
        return true;
    }

private:
    bool Fail(const std::string& message)
    {
        message_ = message;
        return false;
    }

    bool Version(const std::string& text)
    {
        std::string v;
        for (char c : text)
            if (!IsSpace(c))
                v += char(std::tolower(static_cast<unsigned char>(c)));
        if (v.size() == 6 && (v.compare(0, 3, "vs.") == 0 || v.compare(0, 3, "ps.") == 0) && v[4] == '.') {
            if (v[3] == '1' && (v[5] == '0' || v[5] == '1')) {
                vertex_ = v[0] == 'v';
                minor_ = uint32_t(v[5] - '0');
                haveVersion_ = true;
                tokens_.push_back(vertex_ ? VertexVersion(1, minor_) : PixelVersion(1, minor_));
                limits_ = vertex_ ? Limits{12, 16, 96, 0} : Limits{2, 2, 8, 4};
                return true;
            }
            return Fail("unsupported version " + text + " (vs.1.0, vs.1.1, ps.1.0 and ps.1.1 are supported)");
        }
        return Fail("the shader must start with its version: vs.1.0, vs.1.1, ps.1.0 or ps.1.1");
    }

    bool Instruction(const std::string& text)
    {
        size_t i = 0;
        bool coIssue = false;
        if (text[0] == '+') {
            coIssue = true;
            i = 1;
            SkipSpaces(text, i);
        }
        size_t end = i;
        while (end < text.size() && (IsWordChar(text[end]) || text[end] == '.'))
            ++end;
        std::string mnemonic = Lower(text.substr(i, end - i));
        if (mnemonic.empty())
            return Fail("an instruction name is missing");
        if (mnemonic.rfind("vs.", 0) == 0 || mnemonic.rfind("ps.", 0) == 0)
            return Fail("a second version instruction");

        // Instruction modifiers follow the name: mul_x2_sat.
        std::vector<std::string> modifiers;
        std::string base = mnemonic;
        size_t underscore = mnemonic.find('_');
        if (underscore != std::string::npos) {
            base = mnemonic.substr(0, underscore);
            size_t at = underscore;
            while (at != std::string::npos) {
                size_t next = mnemonic.find('_', at + 1);
                modifiers.push_back(mnemonic.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1));
                at = next;
            }
        }
        const OpcodeInfo* op = FindOpcode(base);
        if (!op)
            return Fail("unknown instruction '" + base + "'");
        if (vertex_ && !op->vertex)
            return Fail("'" + base + "' is not a vertex shader instruction");
        if (!vertex_ && !op->pixel)
            return Fail("'" + base + "' is not a pixel shader instruction");

        std::vector<std::string> operands;
        std::string rest = Trim(text.substr(end));
        if (!rest.empty()) {
            size_t at = 0;
            for (;;) {
                size_t comma = rest.find(',', at);
                std::string operand = Trim(rest.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
                if (operand.empty())
                    return Fail("an operand of '" + base + "' is missing");
                operands.push_back(operand);
                if (comma == std::string::npos)
                    break;
                at = comma + 1;
            }
        }
        const size_t wanted = size_t(op->form == Form::Define ? 5 : 1 + op->sources);
        if (operands.size() != wanted)
            return Fail("'" + base + "' takes " + std::to_string(wanted) + " operand" + (wanted == 1 ? "" : "s") +
                        ", not " + std::to_string(operands.size()));
        if (coIssue && (vertex_ || op->form != Form::Arithmetic))
            return Fail("only pixel shader arithmetic instructions can be co-issued (+)");

        uint32_t shift = 0;
        bool saturate = false;
        bool haveShift = false;
        for (const std::string& m : modifiers) {
            if (vertex_)
                return Fail("vertex shader instructions take no modifiers (_" + m + ")");
            if (op->form != Form::Arithmetic)
                return Fail("'" + base + "' takes no instruction modifiers (_" + m + ")");
            if (m == "sat") {
                if (saturate)
                    return Fail("_sat given twice");
                saturate = true;
                continue;
            }
            uint32_t value = m == "x2" ? 1 : m == "x4" ? 2 : m == "d2" ? 0xF : 0;
            if (value == 0)
                return Fail("unknown instruction modifier _" + m);
            if (haveShift)
                return Fail("only one of _x2, _x4 and _d2 can be given");
            haveShift = true;
            shift = value;
        }

        if (op->form == Form::Define)
            return Define(*op, operands);
        if (vertex_)
            return VertexInstruction(*op, operands);
        return PixelInstruction(*op, operands, coIssue, shift, saturate);
    }

    // ---- operands

    bool ParseNumber(const std::string& digits, uint32_t* number)
    {
        if (digits.empty() || digits.size() > 4 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return false;
        *number = uint32_t(std::atoi(digits.c_str()));
        return true;
    }

    bool RangeCheck(const Register& r, const std::string& prefix, uint32_t count)
    {
        if (r.number < count)
            return true;
        std::string version = std::string(vertex_ ? "vs" : "ps") + ".1." + char('0' + minor_);
        return Fail("register " + r.name + " does not exist in " + version + " (" + prefix + "0-" + prefix +
                    std::to_string(count - 1) + ")");
    }

    // A register name at s[i]; i moves past it.
    bool ParseRegister(const std::string& s, size_t& i, Register* r)
    {
        size_t end = i;
        while (end < s.size() && std::isalnum(static_cast<unsigned char>(s[end])))
            ++end;
        std::string word = s.substr(i, end - i);
        std::string lower = Lower(word);
        if (word.empty())
            return Fail("a register is missing in '" + s + "'");

        if (lower == "c" && end < s.size() && s[end] == '[') {
            size_t close = s.find(']', end);
            if (close == std::string::npos)
                return Fail("']' missing in '" + s + "'");
            std::string inside;
            for (size_t k = end + 1; k < close; ++k)
                if (!IsSpace(s[k]))
                    inside += s[k];
            long value = 0;
            bool relative = false;
            std::string error;
            if (!IndexExpression(inside).Evaluate(&value, &relative, &error))
                return Fail(error);
            if (relative && !vertex_)
                return Fail("relative addressing (a0.x) is only for vertex shaders");
            if (relative && minor_ == 0)
                return Fail("relative addressing (a0.x) needs vs.1.1");
            r->kind = Kind::Const;
            r->type = Const;
            r->relative = relative;
            r->name = relative ? "c[a0.x+" + std::to_string(value) + "]" : "c" + std::to_string(value);
            if (value < 0 || value >= long(limits_.constants)) {
                return Fail("register " + r->name + " does not exist in " + (vertex_ ? "vs" : "ps") + ".1." +
                            char('0' + minor_) + " (c0-c" + std::to_string(limits_.constants - 1) + ")");
            }
            r->number = uint32_t(value);
            i = close + 1;
            return true;
        }

        r->name = word;
        r->relative = false;
        // prefix as matched in lower case, display as written in messages.
        auto numbered = [&](const std::string& prefix, const std::string& display, Kind kind, uint32_t type,
                            uint32_t count) {
            uint32_t n = 0;
            if (!ParseNumber(lower.substr(prefix.size()), &n))
                return Fail("unknown register '" + word + "'");
            r->kind = kind;
            r->type = type;
            r->number = n;
            r->name = display + std::to_string(n);
            return RangeCheck(*r, display, count);
        };
        i = end;
        if (vertex_) {
            if (lower == "opos") {
                *r = {Kind::Position, RastOut, Position, false, "oPos"};
                return true;
            }
            if (lower == "ofog") {
                *r = {Kind::Fog, RastOut, Fog, false, "oFog"};
                return true;
            }
            if (lower == "opts") {
                *r = {Kind::PointSize, RastOut, PointSize, false, "oPts"};
                return true;
            }
            if (lower.rfind("od", 0) == 0 && lower.size() > 2)
                return numbered("od", "oD", Kind::Colour, AttrOut, 2);
            if (lower.rfind("ot", 0) == 0 && lower.size() > 2)
                return numbered("ot", "oT", Kind::TexCoord, TexCrdOut, 8);
            if (lower.rfind("a", 0) == 0 && lower.size() > 1) {
                if (!numbered("a", "a", Kind::Address, Address, 1))
                    return false;
                if (minor_ == 0)
                    return Fail("the address register a0 needs vs.1.1");
                return true;
            }
        } else if (lower[0] == 't' && lower.size() > 1) {
            return numbered("t", "t", Kind::Texture, Texture, limits_.textures);
        }
        if (lower.size() > 1) {
            switch (lower[0]) {
            case 'r': return numbered("r", "r", Kind::Temp, Temp, limits_.temps);
            case 'v': return numbered("v", "v", Kind::Input, Input, limits_.inputs);
            case 'c': return numbered("c", "c", Kind::Const, Const, limits_.constants);
            default: break;
            }
        }
        return Fail("unknown register '" + word + "'");
    }

    bool ParseMask(const std::string& letters, uint32_t* mask)
    {
        uint32_t m = 0;
        int last = -1;
        if (letters.empty() || letters.size() > 4)
            return Fail("write mask '." + letters + "' is not valid");
        for (char c : letters) {
            int k = Component(c);
            if (k < 0)
                return Fail("write mask '." + letters + "' has a letter that is not x, y, z, w (or r, g, b, a)");
            if (k <= last)
                return Fail("write mask '." + letters + "' must name components in x, y, z, w order, each once");
            last = k;
            m |= 1u << k;
        }
        *mask = m;
        return true;
    }

    bool ParseDestination(const std::string& s, Destination* d)
    {
        if (s[0] == '-' || s.compare(0, 2, "1-") == 0)
            return Fail("a destination takes no source modifiers: '" + s + "'");
        size_t i = 0;
        if (!ParseRegister(s, i, &d->reg))
            return false;
        if (i < s.size() && s[i] == '_')
            return Fail("destination modifiers are written on the instruction (mul_sat), not on '" + s + "'");
        if (i < s.size() && s[i] == '.') {
            ++i;
            size_t end = i;
            while (end < s.size() && IsWordChar(s[end]))
                ++end;
            if (!ParseMask(s.substr(i, end - i), &d->mask))
                return false;
            d->maskGiven = true;
            i = end;
        }
        SkipSpaces(s, i);
        if (i != s.size())
            return Fail("unexpected '" + s.substr(i) + "' after " + d->reg.name);
        return true;
    }

    bool ParseSource(const std::string& s, Source* src)
    {
        size_t i = 0;
        if (s[i] == '-') {
            src->negate = true;
            ++i;
            SkipSpaces(s, i);
        }
        if (i < s.size() && s[i] == '1') {
            size_t k = i + 1;
            SkipSpaces(s, k);
            if (k < s.size() && s[k] == '-') {
                if (vertex_)
                    return Fail("1- (complement) is a pixel shader modifier");
                if (src->negate)
                    return Fail("- and 1- cannot be combined");
                src->complement = true;
                i = k + 1;
                SkipSpaces(s, i);
            }
        }
        if (!ParseRegister(s, i, &src->reg))
            return false;
        while (i < s.size() && s[i] == '_') {
            size_t end = i + 1;
            while (end < s.size() && IsWordChar(s[end]) && s[end] != '_')
                ++end;
            std::string m = Lower(s.substr(i + 1, end - i - 1));
            if (vertex_)
                return Fail("vertex shader sources take no _" + m + " modifier (only - and swizzles)");
            if (m == "bx2" && !src->sign && !src->bias)
                src->sign = true;
            else if (m == "bias" && !src->sign && !src->bias)
                src->bias = true;
            else if (m == "bx2" || m == "bias")
                return Fail("only one of _bx2 and _bias can be given");
            else
                return Fail("unknown source modifier _" + m);
            i = end;
        }
        if (src->complement && (src->sign || src->bias))
            return Fail("1- cannot be combined with _bx2 or _bias");
        if (i < s.size() && s[i] == '.') {
            ++i;
            size_t end = i;
            while (end < s.size() && IsWordChar(s[end]))
                ++end;
            std::string letters = s.substr(i, end - i);
            if (letters.empty() || letters.size() > 4)
                return Fail("swizzle '." + letters + "' is not valid");
            int picked[4];
            for (size_t k = 0; k < letters.size(); ++k) {
                picked[k] = Component(letters[k]);
                if (picked[k] < 0)
                    return Fail("swizzle '." + letters + "' has a letter that is not x, y, z, w (or r, g, b, a)");
            }
            // Fewer than four letters: the last one fills the rest (.x is .xxxx).
            src->swizzle = 0;
            for (int k = 0; k < 4; ++k)
                src->swizzle |= uint32_t(picked[std::min<size_t>(size_t(k), letters.size() - 1)]) << (2 * k);
            src->components = int(letters.size());
            i = end;
        }
        SkipSpaces(s, i);
        if (i != s.size())
            return Fail("unexpected '" + s.substr(i) + "' after " + src->reg.name);
        return true;
    }

    static uint32_t RegisterBits(const Register& r) { return Parameter | r.type << RegisterTypeShift | r.number; }

    void EmitDestination(const Destination& d, uint32_t shift, bool saturate)
    {
        tokens_.push_back(RegisterBits(d.reg) | d.mask << WriteMaskShift |
                          (saturate ? Saturate : 0u) << ResultModifierShift | shift << ResultShiftShift);
    }

    void EmitSource(const Source& s)
    {
        uint32_t modifier = NoModifier;
        if (s.complement)
            modifier = Complement;
        else if (s.sign)
            modifier = s.negate ? SignNegate : Sign;
        else if (s.bias)
            modifier = s.negate ? BiasNegate : Bias;
        else if (s.negate)
            modifier = Negate;
        tokens_.push_back(RegisterBits(s.reg) | s.swizzle << SwizzleShift | modifier << SourceModifierShift |
                          (s.reg.relative ? RelativeAddress : 0u));
    }

    static void CountRead(const Register& r, Reads& reads)
    {
        switch (r.kind) {
        case Kind::Temp: reads.temps.insert(r.name); break;
        case Kind::Input: reads.inputs.insert(r.name); break;
        case Kind::Const: reads.constants.insert(r.name); break;
        case Kind::Texture: reads.textures.insert(r.name); break;
        default: break;
        }
    }

    // ---- def

    bool Define(const OpcodeInfo& op, const std::vector<std::string>& operands)
    {
        if (vertex_)
            return Fail("def is not part of a Direct3D 8 vertex shader: set the constant through the declaration "
                        "(D3DVSD_CONST) or SetVertexShaderConstant");
        if (phase_ > 0)
            return Fail("def must come before every other instruction");
        Destination d;
        if (!ParseDestination(operands[0], &d))
            return false;
        if (d.reg.kind != Kind::Const)
            return Fail("def defines a constant register (c0-c7), not " + d.reg.name);
        if (d.maskGiven)
            return Fail("def takes no write mask");
        tokens_.push_back(op.code);
        EmitDestination(d, 0, false);
        for (size_t k = 1; k < operands.size(); ++k) {
            std::string text = operands[k];
            if (!text.empty() && (text.back() == 'f' || text.back() == 'F') && text.size() > 1 &&
                text.compare(0, 2, "0x") != 0)
                text.pop_back();
            char* stop = nullptr;
            errno = 0;
            double value = std::strtod(text.c_str(), &stop);
            if (text.empty() || *stop != '\0' || errno == ERANGE || std::isalpha(static_cast<unsigned char>(text[0])))
                return Fail("'" + operands[k] + "' is not a number");
            float f = float(value);
            uint32_t bits = 0;
            std::memcpy(&bits, &f, sizeof bits);
            tokens_.push_back(bits);
        }
        return true;
    }

    // ---- vertex shaders

    bool VertexInstruction(const OpcodeInfo& op, const std::vector<std::string>& operands)
    {
        Destination d;
        if (!ParseDestination(operands[0], &d))
            return false;
        switch (d.reg.kind) {
        case Kind::Input: return Fail("cannot write to input register " + d.reg.name);
        case Kind::Const: return Fail("cannot write to constant register " + d.reg.name);
        case Kind::Address:
            if (op.code != Mov)
                return Fail("only mov can write the address register a0");
            if (d.mask != 0x1)
                return Fail("the address register is written as a0.x");
            break;
        case Kind::Fog:
        case Kind::PointSize:
            if (d.maskGiven && d.mask != 0x1)
                return Fail(d.reg.name + " has one component: write " + d.reg.name + ".x");
            d.mask = 0x1;
            break;
        default: break;
        }

        std::vector<Source> sources(size_t(op.sources));
        Reads reads;
        for (size_t k = 0; k < sources.size(); ++k) {
            Source& s = sources[k];
            if (!ParseSource(operands[k + 1], &s))
                return false;
            switch (s.reg.kind) {
            case Kind::Position:
            case Kind::Fog:
            case Kind::PointSize:
            case Kind::Colour:
            case Kind::TexCoord: return Fail("cannot read output register " + s.reg.name);
            case Kind::Address: return Fail("a0 is read only as a constant index: c[a0.x + n]");
            default: break;
            }
            uint32_t rows = op.form == Form::Matrix && k == 1 ? uint32_t(op.rows) : 1;
            for (uint32_t row = 0; s.reg.kind == Kind::Temp && row < rows; ++row)
                if (!(tempsWritten_ & (1u << (s.reg.number + row))))
                    return Fail("r" + std::to_string(s.reg.number + row) + " is read before anything writes it");
            CountRead(s.reg, reads);
        }
        if (reads.constants.size() > 1)
            return Fail("an instruction can read only one constant register (reads " + Join(reads.constants) + ")");
        if (reads.inputs.size() > 1)
            return Fail("an instruction can read only one input register (reads " + Join(reads.inputs) + ")");

        int slots = 1;
        if (op.form == Form::Scalar && sources[0].components != 1)
            return Fail("'" + std::string(op.name) +
                        "' reads one component: give its source a replicate swizzle (.x, .y, .z or .w)");
        if (op.form == Form::Matrix) {
            for (const Source& s : sources)
                if (s.negate || s.components != 0)
                    return Fail("'" + std::string(op.name) + "' takes no swizzle or negation on its sources");
            if (d.maskGiven && d.mask != op.written)
                return Fail("'" + std::string(op.name) + "' writes ." + MaskText(op.written) +
                            ": give that mask or none");
            d.mask = op.written;
            const Register& m = sources[1].reg;
            uint32_t count = m.kind == Kind::Temp ? limits_.temps : m.kind == Kind::Input ? limits_.inputs
                                                                                           : limits_.constants;
            if (!m.relative && m.number + uint32_t(op.rows) > count)
                return Fail("'" + std::string(op.name) + "' reads " + std::to_string(op.rows) +
                            " registers from " + m.name + ", past the last one");
            for (const Source& s : sources)
                if (d.reg.kind == Kind::Temp && s.reg.kind == Kind::Temp && d.reg.number >= s.reg.number &&
                    d.reg.number < s.reg.number + uint32_t(&s == &sources[1] ? op.rows : 1))
                    return Fail("the destination of '" + std::string(op.name) + "' cannot be one of its sources");
            slots = op.rows;
        }
        slots_ += slots;
        if (slots_ > 128)
            return Fail("more than 128 instruction slots");
        if (d.reg.kind == Kind::Position)
            positionWritten_ |= d.mask;
        if (d.reg.kind == Kind::Temp)
            tempsWritten_ |= 1u << d.reg.number;

        tokens_.push_back(op.code);
        EmitDestination(d, 0, false);
        for (const Source& s : sources)
            EmitSource(s);
        return true;
    }

    static std::string Join(const std::set<std::string>& names)
    {
        std::string s;
        for (const std::string& n : names)
            s += (s.empty() ? "" : " and ") + n;
        return s;
    }

    // ---- pixel shaders

    bool PixelInstruction(const OpcodeInfo& op, const std::vector<std::string>& operands, bool coIssue, uint32_t shift,
                          bool saturate)
    {
        const bool texture = op.form == Form::Texture || op.form == Form::TextureFrom;
        if (texture && phase_ > 1)
            return Fail("texture instructions must come before arithmetic instructions");
        if (padCount_ > 0 && op.code != TexM3x3Pad && op.code != TexM3x3VSpec)
            return Fail("texm3x3pad must be followed by a second texm3x3pad and texm3x3vspec");
        phase_ = texture ? 1 : 2;

        Destination d;
        if (!ParseDestination(operands[0], &d))
            return false;
        if (texture)
            return TextureInstruction(op, d, operands);

        switch (d.reg.kind) {
        case Kind::Input: return Fail("cannot write to color register " + d.reg.name + " (read only)");
        case Kind::Const: return Fail("cannot write to constant register " + d.reg.name);
        default: break;
        }
        if (d.mask != 0xF && d.mask != 0x7 && d.mask != 0x8)
            return Fail("pixel shader write masks are .rgb, .a or none, not ." + MaskText(d.mask));

        std::vector<Source> sources(size_t(op.sources));
        Reads reads;
        for (size_t k = 0; k < sources.size(); ++k) {
            Source& s = sources[k];
            if (!ParseSource(operands[k + 1], &s))
                return false;
            if (s.components != 0) {
                bool alpha = s.components == 1 && s.swizzle == 0xFF;
                bool blue = s.components == 1 && s.swizzle == 0xAA;
                if (blue && minor_ == 0)
                    return Fail("the .b selector needs ps.1.1");
                if (blue && d.mask != 0x8)
                    return Fail("the .b selector is only for instructions that write .a");
                if (!alpha && !blue)
                    return Fail("pixel shader sources take only the .a selector (and .b in ps.1.1)");
            }
            if (s.reg.kind == Kind::Temp && !(tempsWritten_ & (1u << s.reg.number)))
                return Fail(s.reg.name + " is read before anything writes it");
            if (s.reg.kind == Kind::Texture && !(texturesLoaded_ & (1u << s.reg.number)))
                return Fail(s.reg.name + " is read before a texture instruction loads it");
            CountRead(s.reg, reads);
        }
        const uint32_t textureReads = minor_ == 0 ? 1 : 2;
        const uint32_t colourReads = minor_ == 0 ? 1 : 2;
        if (reads.constants.size() > 2)
            return Fail("an instruction can read at most two constant registers");
        if (reads.temps.size() > 2)
            return Fail("an instruction can read at most two temporary registers");
        if (reads.textures.size() > textureReads)
            return Fail("an instruction can read at most " + std::to_string(textureReads) + " texture register" +
                        (textureReads == 1 ? "" : "s") + " in this version");
        if (reads.inputs.size() > colourReads)
            return Fail("an instruction can read at most " + std::to_string(colourReads) + " color register" +
                        (colourReads == 1 ? "" : "s") + " in this version");

        if (coIssue) {
            if (!lastWasArithmetic_ || lastCoIssued_)
                return Fail("a co-issued instruction (+) must follow an arithmetic instruction that is not one");
            bool pair = (lastMask_ == 0x7 && d.mask == 0x8) || (lastMask_ == 0x8 && d.mask == 0x7);
            if (!pair)
                return Fail("co-issued instructions write .rgb and .a, one each");
            auto combined = [](const std::set<std::string>& a, const std::set<std::string>& b) {
                std::set<std::string> all = a;
                all.insert(b.begin(), b.end());
                return all.size();
            };
            if (combined(reads.constants, lastReads_.constants) > 3 || combined(reads.temps, lastReads_.temps) > 3 ||
                combined(reads.textures, lastReads_.textures) > 3 || combined(reads.inputs, lastReads_.inputs) > 3)
                return Fail("a co-issued pair can read at most three registers of each type");
        } else if (++arithmeticSlots_ > 8) {
            return Fail("more than 8 arithmetic instructions");
        }
        lastWasArithmetic_ = true;
        lastCoIssued_ = coIssue;
        lastMask_ = d.mask;
        lastReads_ = reads;
        if (d.reg.kind == Kind::Temp)
            tempsWritten_ |= 1u << d.reg.number;
        if (d.reg.kind == Kind::Texture)
            texturesLoaded_ |= 1u << d.reg.number;

        tokens_.push_back(op.code | (coIssue ? CoIssue : 0u));
        EmitDestination(d, shift, saturate);
        for (const Source& s : sources)
            EmitSource(s);
        return true;
    }

    bool TextureInstruction(const OpcodeInfo& op, const Destination& d, const std::vector<std::string>& operands)
    {
        lastWasArithmetic_ = false;
        if (d.reg.kind != Kind::Texture)
            return Fail("'" + std::string(op.name) + "' writes a texture register (t0-t3), not " + d.reg.name);
        if (d.maskGiven)
            return Fail("'" + std::string(op.name) + "' takes no write mask");
        if (texturesLoaded_ & (1u << d.reg.number))
            return Fail(d.reg.name + " is already loaded by an earlier texture instruction");

        Source s;
        if (op.form == Form::TextureFrom) {
            if (!ParseSource(operands[1], &s))
                return false;
            if (s.reg.kind != Kind::Texture)
                return Fail("'" + std::string(op.name) + "' reads a texture register, not " + s.reg.name);
            if (!(texturesLoaded_ & (1u << s.reg.number)))
                return Fail(s.reg.name + " is read before a texture instruction loads it");
            if (s.negate || s.complement || s.bias || s.components != 0)
                return Fail("'" + std::string(op.name) + "' takes only the _bx2 modifier on its source");
            bool pad = op.code == TexM3x3Pad;
            if (padCount_ == 0 && !pad)
                return Fail("texm3x3vspec must follow two texm3x3pad instructions");
            if (padCount_ == 2 && pad)
                return Fail("a 3x3 matrix takes two texm3x3pad instructions, not three");
            if (padCount_ > 0 && (d.reg.number != padFirst_ + uint32_t(padCount_) || s.reg.number != padSource_))
                return Fail("the texm3x3 instructions of one matrix write consecutive registers from the same source");
            if (padCount_ == 0) {
                padFirst_ = d.reg.number;
                padSource_ = s.reg.number;
            }
            padCount_ = pad ? padCount_ + 1 : 0;
        }
        texturesLoaded_ |= 1u << d.reg.number;
        tokens_.push_back(op.code);
        EmitDestination(d, 0, false);
        if (op.form == Form::TextureFrom)
            EmitSource(s);
        return true;
    }

    bool Finish()
    {
        if (vertex_) {
            if (positionWritten_ != 0xF)
                return Fail("the vertex shader must write all of oPos (written: ." +
                            (positionWritten_ ? MaskText(positionWritten_) : std::string("none")) + ")");
            return true;
        }
        if (padCount_ > 0)
            return Fail("texm3x3pad must be followed by a second texm3x3pad and texm3x3vspec");
        if (!(tempsWritten_ & 1u))
            return Fail("the pixel shader never writes r0, its output color");
        return true;
    }

    std::vector<uint32_t>& tokens_;
    std::vector<ShaderListingLine>& listing_;
    const SourceLine* line_ = nullptr;
    std::string message_;
    bool haveVersion_ = false;
    bool vertex_ = false;
    uint32_t minor_ = 0;
    Limits limits_ = {};

    // Vertex shaders.
    int slots_ = 0;
    uint32_t positionWritten_ = 0;

    uint32_t tempsWritten_ = 0; // bit n: rn

    // Pixel shaders.
    int phase_ = 0; // 0 def, 1 texture instructions, 2 arithmetic
    int arithmeticSlots_ = 0;
    uint32_t texturesLoaded_ = 0;
    int padCount_ = 0;
    uint32_t padFirst_ = 0;
    uint32_t padSource_ = 0;
    bool lastWasArithmetic_ = false;
    bool lastCoIssued_ = false;
    uint32_t lastMask_ = 0;
    Reads lastReads_;
};

} // namespace

ShaderAssembler::ShaderAssembler(ShaderPreprocessor::FileReader reader) : preprocessor_(std::move(reader)) {}

void ShaderAssembler::AddIncludeDirectory(const std::string& directory)
{
    preprocessor_.AddIncludeDirectory(directory);
}

bool ShaderAssembler::Assemble(const std::string& source, const std::string& fileName, std::vector<uint32_t>* tokens,
                               std::string* error)
{
    listing_.clear();
    std::string message;
    std::vector<SourceLine> lines;
    if (!preprocessor_.Process(source, fileName, &lines, &message)) {
        if (error)
            *error = message;
        return false;
    }
    std::vector<uint32_t> result;
    std::vector<ShaderListingLine> listing;
    Assembly assembly(result, listing);
    if (!assembly.Run(lines, fileName, &message)) {
        if (error)
            *error = message;
        return false;
    }
    *tokens = std::move(result);
    listing_ = std::move(listing);
    return true;
}
