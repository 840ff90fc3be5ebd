// Printf-style labels that mark places in the code. They print nothing in the
// delivered program; their arguments are evaluated and discarded.
#pragma once

int DebugPrint(const char* format, ...);
int DebugPrint(int level, const char* format, ...);
