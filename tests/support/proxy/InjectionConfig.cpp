#include "InjectionConfig.h"

#include <windows.h>

#include <cstdlib>

namespace {

struct Token {
    const char* name;
    InjectionConfig::Fault fault;
    bool takesCount; // written name=N
};

const Token Tokens[] = {
    {"create_null", InjectionConfig::CreateNull, false},
    {"no_adapters", InjectionConfig::NoAdapters, false},
    {"hal_create", InjectionConfig::HalCreate, false},
    {"create_fail", InjectionConfig::CreateFail, false},
    {"reset_fail", InjectionConfig::ResetFail, false},
    {"reset_fail_once", InjectionConfig::ResetFailOnce, false},
    {"lost", InjectionConfig::Lost, true},
    {"extra_ref", InjectionConfig::ExtraRef, false},
    {"modes_dup", InjectionConfig::ModesDup, false},
    {"modes_tiny", InjectionConfig::ModesTiny, false},
    {"modes_many", InjectionConfig::ModesMany, false},
    {"modes_no640", InjectionConfig::ModesNo640, false},
    {"no_vs", InjectionConfig::NoShaders, false},
    {"no_windowed", InjectionConfig::NoWindowed, false},
    {"two_adapters", InjectionConfig::TwoAdapters, false},
    {"bad_adapter0", InjectionConfig::BadAdapter0, false},
    {"vs_create_fail", InjectionConfig::ShaderCreateFail, false},
    {"endsb_fail", InjectionConfig::EndStateBlockFail, false},
    {"vb_create_fail", InjectionConfig::VertexBufferCreateFail, false},
    {"ib_create_fail", InjectionConfig::IndexBufferCreateFail, false},
    {"vb_lock_fail", InjectionConfig::VertexBufferLockFail, false},
    {"ib_lock_fail", InjectionConfig::IndexBufferLockFail, false},
    {"formats_many", InjectionConfig::FormatsMany, false},
    {"adapters_many", InjectionConfig::AdaptersMany, false},
    {"hal_no_windowed", InjectionConfig::HalNoWindowed, false},
    {"null_reference", InjectionConfig::NullReference, false},
    {"no_hal", InjectionConfig::NoHal, false},
    {"hal_no_desktop", InjectionConfig::HalNoDesktop, false},
    {"hal_no_depth", InjectionConfig::HalNoDepth, false},
    {"hal_no_desktop_depth", InjectionConfig::HalNoDesktopDepth, false},
    {"ms_none", InjectionConfig::MultiSampleNone, false},
    {"begin_scene_fail", InjectionConfig::BeginSceneFail, false},
    {"begin_scene_fail_at", InjectionConfig::BeginSceneFailAt, true},
};

std::string Trim(const std::string& s)
{
    size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::string();
    return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

std::string Environment(const char* name)
{
    char value[1024];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

} // namespace

InjectionConfig::InjectionConfig(const std::string& tokens, const std::string& logPath) : logPath_(logPath)
{
    size_t start = 0;
    while (start <= tokens.size()) {
        size_t comma = tokens.find(',', start);
        if (comma == std::string::npos)
            comma = tokens.size();
        const std::string item = Trim(tokens.substr(start, comma - start));
        start = comma + 1;
        if (item.empty())
            continue;
        const size_t equals = item.find('=');
        const std::string name = item.substr(0, equals);
        const Token* match = nullptr;
        for (const Token& t : Tokens)
            if (name == t.name && t.takesCount == (equals != std::string::npos))
                match = &t;
        char* end = nullptr;
        const unsigned long count = match && match->takesCount ? std::strtoul(item.c_str() + equals + 1, &end, 10) : 0;
        if (!match || (match->takesCount && (*end != 0 || count == 0))) {
            description_ += (description_.empty() ? "" : ",") + std::string("unknown:") + item;
            continue;
        }
        faults_ |= match->fault;
        if (match->fault == Lost)
            lostAfter_ = unsigned(count);
        else if (match->fault == BeginSceneFailAt)
            beginSceneFailAt_ = unsigned(count);
        description_ += (description_.empty() ? "" : ",") + item;
    }
    if (description_.empty())
        description_ = "none";
}

InjectionConfig InjectionConfig::FromEnvironment()
{
    return InjectionConfig(Environment("REEF_D3D8_FAIL"), Environment("REEF_D3D8_LOG"));
}
