#include "GeneratorRegistry.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace {
std::map<std::string, GeneratorFunction>& Registry()
{
    static std::map<std::string, GeneratorFunction> registry;
    return registry;
}
}

bool RegisterGenerator(const char* name, GeneratorFunction fn)
{
    Registry()[name] = fn;
    return true;
}

int RunGeneratorMain(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], "list") == 0) {
        for (const auto& entry : Registry())
            printf("%s\n", entry.first.c_str());
        return 0;
    }
    if (argc != 3) {
        fprintf(stderr, "usage: %s <generator> <out-dir> | list\n", argv[0]);
        return 2;
    }
    auto found = Registry().find(argv[1]);
    if (found == Registry().end()) {
        fprintf(stderr, "%s: no generator named %s\n", argv[0], argv[1]);
        return 2;
    }
    int result = found->second(argv[2]);
    if (result != 0)
        fprintf(stderr, "%s %s: failed (%d)\n", argv[0], argv[1], result);
    return result;
}
