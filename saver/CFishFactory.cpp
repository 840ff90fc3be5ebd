#include "CFishFactory.h"

#include "CBream.h"
#include "CIwashi.h"
#include "CMackerel.h"

#include <new>

CFish* CFishFactory::MakeFish(int32_t kind)
{
    switch (kind) {
    case FishKindBream:
        return new (std::nothrow) CBream(0);
    case FishKindMackerel:
        return new (std::nothrow) CMackerel();
    default:
        return new (std::nothrow) CIwashi();
    }
}
