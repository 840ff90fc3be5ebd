#include "DebugOutputCapture.h"

#include <windows.h>

namespace {

std::vector<std::string> g_lines;

LONG CALLBACK CaptureDebugString(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2 &&
        record->ExceptionInformation[1]) {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        size_t length = size_t(record->ExceptionInformation[0]);
        // The first parameter counts the terminating zero.
        g_lines.emplace_back(text, length > 0 ? length - 1 : 0);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

DebugOutputCapture::DebugOutputCapture() : handler_(AddVectoredExceptionHandler(1, CaptureDebugString))
{
    g_lines.clear();
}

DebugOutputCapture::~DebugOutputCapture()
{
    if (handler_)
        RemoveVectoredExceptionHandler(handler_);
}

const std::vector<std::string>& DebugOutputCapture::Lines() const
{
    return g_lines;
}

void DebugOutputCapture::Clear()
{
    g_lines.clear();
}
