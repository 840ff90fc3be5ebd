// A vertex buffer whose Lock fails (the lock_fail fault): forwards every
// other call to the real buffer and shares its reference count; deleted
// when that reaches 0 through it. The device unwraps it before binding.
#pragma once

#include <windows.h>
#include <d3d8.h>

class ProxyVertexBuffer final : public IDirect3DVertexBuffer8 {
public:
    explicit ProxyVertexBuffer(IDirect3DVertexBuffer8* real);

    // The real buffer behind vb when vb is one of these, else vb itself.
    static IDirect3DVertexBuffer8* Unwrap(IDirect3DVertexBuffer8* vb);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** device) override;
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, void* data, DWORD* size) override;
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID guid) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD priority) override;
    DWORD STDMETHODCALLTYPE GetPriority() override;
    void STDMETHODCALLTYPE PreLoad() override;
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override;
    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

private:
    IDirect3DVertexBuffer8* real_;
};
