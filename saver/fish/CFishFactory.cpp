#include "fish/CFishFactory.h"

#include "fish/CBream.h"
#include "fish/CIwashi.h"
#include "fish/CMackerel.h"

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
