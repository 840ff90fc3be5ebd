// The screensaver's command line: the first blank- or colon-separated token
// of its first 255 characters, compared without regard to case, selects the
// run mode; "/p" takes the host window's handle from the next token.
#pragma once

#include "framework/RunMode.h"

#include <windows.h>

// The working copy holds this many characters with the terminator.
const int CommandLineBufferSize = 256;

struct ParsedCommandLine {
    RunMode mode;
    HWND host; // "/p" only: the decimal handle that follows, or null
};

// "/s" saver, "/p <handle>" preview, "/c" configure, "/a" change password,
// "/debug" debug; anything else, or nothing, configure. A null line counts
// as empty; a longer line is cut at 255 characters.
ParsedCommandLine ParseCommandLine(const char* line);
