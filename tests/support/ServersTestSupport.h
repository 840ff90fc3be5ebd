// What the server tests share: an application object whose device and caps
// the servers reach through App(), a device through the proxy
// d3d8.dll with its call log, and debug-output trace lines.
#pragma once

#include "TestApp.h"
#include "DebugOutputCapture.h"
#include "DebuggedProcess.h"
#include "TestDevice.h"
#include "framework/OruApplication.h"
#include "mesh/OruMeshRecord.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <d3d8.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace servertest {

// The application the servers see: device and caps of a test's device.
using ServerApp = ::TestApp;

inline std::string Hex(unsigned long long v)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", v);
    return text;
}

inline std::string Hex(const void* p)
{
    return Hex(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
}

// A device made through the proxy d3d8.dll with the given faults, logging to
// a file of its own; the log is deleted when the test passes.
class ProxyDevice {
public:
    explicit ProxyDevice(const std::string& faults)
    {
        char directory[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, directory);
        log_ = std::string(directory) + "\\ServersTest-" + std::to_string(GetCurrentProcessId()) + ".log";
        static HMODULE module = LoadLibraryA(DebuggedProcess::WindowsPath(REEF_PROXY_DLL).c_str());
        typedef IDirect3D8*(WINAPI * Create)(UINT);
        Create create =
            module ? reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(module, "Direct3DCreate8")))
                   : nullptr;
        if (!create)
            return;
        DeleteFileA(log_.c_str());
        SetEnvironmentVariableA("REEF_D3D8_FAIL", faults.c_str());
        SetEnvironmentVariableA("REEF_D3D8_LOG", log_.c_str());
        d3d_ = create(D3D_SDK_VERSION);
        SetEnvironmentVariableA("REEF_D3D8_FAIL", nullptr);
        SetEnvironmentVariableA("REEF_D3D8_LOG", nullptr);
        if (!d3d_)
            return;
        // A misspelt fault would silently test nothing.
        for (const std::string& line : Log())
            if (line.find("unknown:") != std::string::npos)
                ADD_FAILURE() << "the proxy does not know a fault in \"" << faults << "\": " << line;
        window_ = CreateWindowA("STATIC", "server test", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        D3DDISPLAYMODE desktop = {};
        d3d_->GetAdapterDisplayMode(0, &desktop);
        D3DPRESENT_PARAMETERS p = {};
        p.Windowed = TRUE;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.BackBufferWidth = 32;
        p.BackBufferHeight = 32;
        p.BackBufferFormat = desktop.Format;
        p.hDeviceWindow = window_;
        d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device_);
    }
    ~ProxyDevice()
    {
        if (device_)
            device_->Release();
        if (d3d_)
            d3d_->Release();
        if (window_)
            DestroyWindow(window_);
        if (!::testing::Test::HasFailure())
            DeleteFileA(log_.c_str());
    }
    ProxyDevice(const ProxyDevice&) = delete;
    ProxyDevice& operator=(const ProxyDevice&) = delete;

    IDirect3DDevice8* Device() const { return device_; }

    // Releases the device; its final release must find nothing left on it.
    ULONG ReleaseDevice()
    {
        ULONG n = device_ ? device_->Release() : 0;
        device_ = nullptr;
        return n;
    }

    std::vector<std::string> Log() const
    {
        std::vector<std::string> lines;
        std::ifstream in(log_);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // Log lines from mark on that begin with prefix.
    std::vector<std::string> Calls(const std::string& prefix, size_t mark = 0) const
    {
        std::vector<std::string> all = Log(), out;
        for (size_t i = mark; i < all.size(); ++i)
            if (all[i].compare(0, prefix.size(), prefix) == 0)
                out.push_back(all[i]);
        return out;
    }

    // Calls of interest to the servers from mark on, in order.
    std::vector<std::string> ServerCalls(size_t mark) const
    {
        static const char* const names[] = {"SetStreamSource", "SetIndices", "SetVertexShader", "SetPixelShader",
                                            "ApplyStateBlock", "BeginStateBlock", "EndStateBlock",
                                            "CreateVertexBuffer", "CreateIndexBuffer", "CreateVertexShader",
                                            "CreatePixelShader", "DeleteStateBlock", "DeleteVertexShader",
                                            "DeletePixelShader", "VertexBuffer.Lock", "IndexBuffer.Lock"};
        std::vector<std::string> all = Log(), out;
        for (size_t i = mark; i < all.size(); ++i)
            for (const char* n : names)
                if (all[i].compare(0, std::string(n).size() + 1, std::string(n) + " ") == 0)
                    out.push_back(all[i]);
        return out;
    }

    size_t Mark() const { return Log().size(); }

private:
    std::string log_;
    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
    HWND window_ = nullptr;
};

// Trace lines ("DXZING:...") among the captured debug output.
inline std::vector<std::string> Traces(const DebugOutputCapture& capture)
{
    std::vector<std::string> out;
    for (const std::string& l : capture.Lines())
        if (l.compare(0, 7, "DXZING:") == 0)
            out.push_back(l);
    return out;
}

// The result at the end of a trace line, "...:<hex>\n".
inline std::string TracedResult(const std::string& line)
{
    const size_t colon = line.rfind(':');
    std::string r = line.substr(colon + 1);
    while (!r.empty() && (r.back() == '\n' || r.back() == '\r'))
        r.pop_back();
    return r;
}

// A caller's record: its buffer handles are borrowed from the server, so
// they are dropped, not released, when it goes.
struct BorrowingRecord : OruMeshRecord {
    using OruMeshRecord::OruMeshRecord;
    ~BorrowingRecord()
    {
        vertexBuffer = nullptr;
        indexBuffer = nullptr;
    }
};

// The reference count of a COM object, left unchanged.
inline ULONG References(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

} // namespace servertest
