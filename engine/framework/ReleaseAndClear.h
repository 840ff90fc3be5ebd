#pragma once

// Releases a COM interface and clears the pointer; a null pointer is left as is.
template <typename T> void ReleaseAndClear(T*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}
