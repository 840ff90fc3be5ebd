#include "MeshBuffer.h"

#include <new>

ULONG MeshBuffer::Release()
{
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT D3DXCreateBuffer(DWORD size, ID3DXBuffer** out)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    try {
        *out = new MeshBuffer(size);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
