#include "texture/EmbeddedFile.h"

#include "trace/DebugPrint.h"

#include "ImageFile.h"

#include <zlib.h>

BYTE ImageInflateBuffer[ImageInflateBufferSize];
BYTE MeshInflateBuffer[MeshInflateBufferSize];

HRESULT InflateEmbeddedFile(const BYTE* data, int size, BYTE* buffer, size_t bufferSize, const BYTE** file,
                            size_t* fileSize)
{
    *file = nullptr;
    *fileSize = 0;
    // Every embedded file is a zlib stream: anything that does not inflate
    // is an error, never taken as the file itself.
    if (!data || size <= 0)
        return D3DXERR_INVALIDDATA;
    uLongf length = uLongf(bufferSize);
    const int result = uncompress(buffer, &length, data, uLong(size));
    if (result != Z_OK) {
        if (result == Z_MEM_ERROR)
            DebugPrint("ZING texture expansion.\n");
        return (result == Z_MEM_ERROR || result == Z_BUF_ERROR) ? E_OUTOFMEMORY : D3DXERR_INVALIDDATA;
    }
    *file = buffer;
    *fileSize = length;
    return S_OK;
}
