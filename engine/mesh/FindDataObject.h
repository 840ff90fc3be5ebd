// Finds a named data object in an enumerated DirectX File by walking every
// top-level object and its data children, depth first in file order.
// (GetDataObjectByName of the enumeration object does not work on Wine.)
#pragma once

#include "DirectXFile.h"

// *found gets the first data object whose name equals name exactly, with a
// reference the caller releases. E_FAIL (and a null *found) when there is
// none; the failure of a DirectX File call is returned as it is. References
// are not followed, so every object is seen once; the walk goes at most 64
// levels deep.
HRESULT FindDataObjectByName(IDirectXFileEnumObject* enumObject, const char* name, IDirectXFileData** found);
