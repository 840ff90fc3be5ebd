// A vertex or index buffer whose Lock fails (the vb_lock_fail and
// ib_lock_fail faults) with D3DERR_INVALIDCALL and a null pointer: forwards
// every other call to the real buffer and shares its reference count;
// deleted when that reaches 0 through it. The device unwraps it before
// binding.
#pragma once

#include "ProxyLog.h"

#include <windows.h>
#include <d3d8.h>

#include <set>

template <typename Buffer, typename Description> class ProxyBuffer final : public Buffer {
public:
    // name is the log's prefix of the Lock line ("VertexBuffer", "IndexBuffer").
    ProxyBuffer(Buffer* real, const char* name) : real_(real), name_(name) { Wrappers().insert(this); }

    // The real buffer behind buffer when it is one of these, else buffer itself.
    static Buffer* Unwrap(Buffer* buffer)
    {
        return buffer && Wrappers().count(buffer) ? static_cast<ProxyBuffer*>(buffer)->real_ : buffer;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        return real_->QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return real_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG count = real_->Release();
        if (count == 0) {
            Wrappers().erase(this);
            delete this;
        }
        return count;
    }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** device) override { return real_->GetDevice(device); }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags) override
    {
        return real_->SetPrivateData(guid, data, size, flags);
    }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, void* data, DWORD* size) override
    {
        return real_->GetPrivateData(guid, data, size);
    }
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID guid) override { return real_->FreePrivateData(guid); }
    DWORD STDMETHODCALLTYPE SetPriority(DWORD priority) override { return real_->SetPriority(priority); }
    DWORD STDMETHODCALLTYPE GetPriority() override { return real_->GetPriority(); }
    void STDMETHODCALLTYPE PreLoad() override { real_->PreLoad(); }
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return real_->GetType(); }
    HRESULT STDMETHODCALLTYPE Lock(UINT, UINT, BYTE** data, DWORD) override
    {
        if (data)
            *data = nullptr;
        ProxyLog::Write("%s.Lock -> 0x%lX injected", name_, static_cast<unsigned long>(D3DERR_INVALIDCALL));
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE Unlock() override { return real_->Unlock(); }
    HRESULT STDMETHODCALLTYPE GetDesc(Description* desc) override { return real_->GetDesc(desc); }

private:
    static std::set<Buffer*>& Wrappers()
    {
        static std::set<Buffer*> wrappers;
        return wrappers;
    }

    Buffer* real_;
    const char* name_;
};

using ProxyVertexBuffer = ProxyBuffer<IDirect3DVertexBuffer8, D3DVERTEXBUFFER_DESC>;
using ProxyIndexBuffer = ProxyBuffer<IDirect3DIndexBuffer8, D3DINDEXBUFFER_DESC>;
