// Files compiled into the program: each is a zlib stream followed by its
// compressed and inflated sizes and a {data, size} descriptor whose size is
// set at start-up. Definitions are written by the embed host tool
// (tools/embed, cmake/Embed.cmake).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct EmbeddedFileRef {
    const BYTE* data;
    int32_t size; // 0 in the image; compressedSize once start-up has run
};

// One compiled-in file laid out as: bytes, compressedSize, inflatedSize,
// descriptor. N is the length of the compressed stream.
template <size_t N>
struct EmbeddedFile {
    BYTE bytes[N];
    int32_t compressedSize;
    int32_t inflatedSize;
    EmbeddedFileRef ref;
};

// A start-up initialiser: one static instance per embedded file sets the
// descriptor's size to the file's compressedSize before the entry function.
struct InitEmbeddedFileSize {
    InitEmbeddedFileSize(EmbeddedFileRef& ref, int32_t compressedSize) { ref.size = compressedSize; }
};

// The two inflate buffers, used one call at a time.
const size_t ImageInflateBufferSize = 2107392; // 0x202800
const size_t MeshInflateBufferSize = 528896;   // 0x81200
extern BYTE ImageInflateBuffer[ImageInflateBufferSize];
extern BYTE MeshInflateBuffer[MeshInflateBufferSize];

// Inflates an embedded file, a zlib stream, into buffer with zlib's one-call
// uncompress. Only Z_OK counts; any other result fails (E_OUTOFMEMORY for
// Z_MEM_ERROR and Z_BUF_ERROR, D3DXERR_INVALIDDATA for anything that is not
// a whole, valid stream) and nothing is handed on. On success *file and
// *fileSize name the inflated file.
HRESULT InflateEmbeddedFile(const BYTE* data, int size, BYTE* buffer, size_t bufferSize, const BYTE** file,
                            size_t* fileSize);
