#include "mesh/FindDataObject.h"

#include <cstring>
#include <vector>

namespace {

const int MaxDepth = 64;
// Bounds the children taken from one object: a DirectX File that hands out
// the same child again would otherwise keep the walk going for ever.
const int MaxChildren = 65536;

// Whether data is called name. The name's length is asked first, so a name
// of any length fits.
bool HasName(IDirectXFileData* data, const char* name)
{
    DWORD length = 0;
    if (FAILED(data->GetName(nullptr, &length)))
        return false;
    const size_t wanted = std::strlen(name);
    // The length counts the terminating zero when there is a name.
    if (length != wanted + 1 && length != wanted)
        return false;
    std::vector<char> text(size_t(length) + 1, '\0');
    DWORD room = length + 1;
    if (FAILED(data->GetName(text.data(), &room)))
        return false;
    return std::strcmp(text.data(), name) == 0;
}

HRESULT Search(IDirectXFileData* data, const char* name, int depth, IDirectXFileData** found)
{
    if (HasName(data, name)) {
        data->AddRef();
        *found = data;
        return S_OK;
    }
    if (depth >= MaxDepth)
        return S_OK;
    for (int n = 0; n < MaxChildren && !*found; ++n) {
        IDirectXFileObject* object = nullptr;
        const HRESULT hr = data->GetNextObject(&object);
        if (hr == DXFILEERR_NOMOREOBJECTS)
            return S_OK;
        if (FAILED(hr))
            return hr;
        if (!object)
            return E_FAIL;
        IDirectXFileData* child = nullptr;
        if (SUCCEEDED(object->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&child))) && child) {
            const HRESULT searched = Search(child, name, depth + 1, found);
            child->Release();
            if (FAILED(searched)) {
                object->Release();
                return searched;
            }
        }
        object->Release();
    }
    return S_OK;
}

} // namespace

HRESULT FindDataObjectByName(IDirectXFileEnumObject* enumObject, const char* name, IDirectXFileData** found)
{
    if (!found)
        return E_POINTER;
    *found = nullptr;
    if (!enumObject || !name)
        return E_POINTER;
    while (!*found) {
        IDirectXFileData* data = nullptr;
        HRESULT hr = enumObject->GetNextDataObject(&data);
        if (hr == DXFILEERR_NOMOREOBJECTS)
            return E_FAIL;
        if (FAILED(hr))
            return hr;
        if (!data)
            return E_FAIL;
        hr = Search(data, name, 0, found);
        data->Release();
        if (FAILED(hr)) {
            if (*found) {
                (*found)->Release();
                *found = nullptr;
            }
            return hr;
        }
    }
    return S_OK;
}
