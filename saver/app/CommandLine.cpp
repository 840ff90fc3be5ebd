#include "app/CommandLine.h"

#include "trace/DebugPrint.h"

#include <cstdlib>
#include <cstring>

ParsedCommandLine ParseCommandLine(const char* line)
{
    ParsedCommandLine parsed = {RunModeConfigure, nullptr};
    // strtok writes into the text, so it works on a bounded copy.
    char buffer[CommandLineBufferSize];
    std::strncpy(buffer, line ? line : "", sizeof buffer - 1);
    buffer[sizeof buffer - 1] = '\0';

    const char* delimiters = " :";
    char* token = std::strtok(buffer, delimiters);
    if (!token)
        return parsed;
    _strlwr(token);
    if (std::strcmp(token, "/s") == 0) {
        DebugPrint("full screen mode");
        parsed.mode = RunModeSaver;
    } else if (std::strcmp(token, "/p") == 0) {
        // Without a following token the preview opens a window of its own.
        const char* handle = std::strtok(nullptr, delimiters);
        parsed.host = reinterpret_cast<HWND>(static_cast<UINT_PTR>(handle ? std::strtoul(handle, nullptr, 10) : 0));
        parsed.mode = RunModePreview;
        DebugPrint("preview mode %d", int(reinterpret_cast<UINT_PTR>(parsed.host)));
    } else if (std::strcmp(token, "/c") == 0) {
        DebugPrint("configure mode");
        parsed.mode = RunModeConfigure;
    } else if (std::strcmp(token, "/a") == 0) {
        DebugPrint("change password mode");
        parsed.mode = RunModeChangePassword;
    } else if (std::strcmp(token, "/debug") == 0) {
        parsed.mode = RunModeDebug;
    }
    return parsed;
}
