// Collects the texts the process sends through OutputDebugString while the
// object lives. OutputDebugString raises DBG_PRINTEXCEPTION_C; a vectored
// handler sees it before the system passes the text on.
#pragma once

#include <string>
#include <vector>

class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // Every text in order of arrival.
    const std::vector<std::string>& Lines() const;
    void Clear();

private:
    void* handler_;
};
