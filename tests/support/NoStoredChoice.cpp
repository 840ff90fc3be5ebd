#include "framework/OruApplication.h"

// Programs without a stored device choice keep the enumeration's default.
HRESULT LoadDeviceFromReg()
{
    return 0;
}
