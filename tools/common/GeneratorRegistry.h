// A host tool made of several generators, each in its own source file: a
// generator registers itself by name, and the tool's command line names the
// one to run and the folder it writes into. A generator checks what it
// writes; a non-zero result fails the build.
#pragma once

#include <string>

using GeneratorFunction = int (*)(const std::string& outDir);

// Registers fn under name; used through REEF_GENERATOR at namespace scope.
bool RegisterGenerator(const char* name, GeneratorFunction fn);

// Runs "<tool> <name> <out-dir>" (or "<tool> list"); the tool's main.
int RunGeneratorMain(int argc, char** argv);

#define REEF_GENERATOR(name, fn) \
    static const bool reef_generator_registered_##name = RegisterGenerator(#name, fn)
