#include "ProxyVertexBuffer.h"

#include "ProxyLog.h"

#include <set>

namespace {

std::set<IDirect3DVertexBuffer8*>& Wrappers()
{
    static std::set<IDirect3DVertexBuffer8*> wrappers;
    return wrappers;
}

} // namespace

ProxyVertexBuffer::ProxyVertexBuffer(IDirect3DVertexBuffer8* real) : real_(real)
{
    Wrappers().insert(this);
}

IDirect3DVertexBuffer8* ProxyVertexBuffer::Unwrap(IDirect3DVertexBuffer8* vb)
{
    return vb && Wrappers().count(vb) ? static_cast<ProxyVertexBuffer*>(vb)->real_ : vb;
}

HRESULT ProxyVertexBuffer::QueryInterface(REFIID riid, void** object)
{
    return real_->QueryInterface(riid, object);
}

ULONG ProxyVertexBuffer::AddRef()
{
    return real_->AddRef();
}

ULONG ProxyVertexBuffer::Release()
{
    const ULONG count = real_->Release();
    if (count == 0) {
        Wrappers().erase(this);
        delete this;
    }
    return count;
}

HRESULT ProxyVertexBuffer::GetDevice(IDirect3DDevice8** device)
{
    return real_->GetDevice(device);
}

HRESULT ProxyVertexBuffer::SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags)
{
    return real_->SetPrivateData(guid, data, size, flags);
}

HRESULT ProxyVertexBuffer::GetPrivateData(REFGUID guid, void* data, DWORD* size)
{
    return real_->GetPrivateData(guid, data, size);
}

HRESULT ProxyVertexBuffer::FreePrivateData(REFGUID guid)
{
    return real_->FreePrivateData(guid);
}

DWORD ProxyVertexBuffer::SetPriority(DWORD priority)
{
    return real_->SetPriority(priority);
}

DWORD ProxyVertexBuffer::GetPriority()
{
    return real_->GetPriority();
}

void ProxyVertexBuffer::PreLoad()
{
    real_->PreLoad();
}

D3DRESOURCETYPE ProxyVertexBuffer::GetType()
{
    return real_->GetType();
}

HRESULT ProxyVertexBuffer::Lock(UINT, UINT, BYTE** data, DWORD)
{
    if (data)
        *data = nullptr;
    ProxyLog::Write("VertexBuffer.Lock -> 0x%lX injected", static_cast<unsigned long>(D3DERR_INVALIDCALL));
    return D3DERR_INVALIDCALL;
}

HRESULT ProxyVertexBuffer::Unlock()
{
    return real_->Unlock();
}

HRESULT ProxyVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc)
{
    return real_->GetDesc(desc);
}
