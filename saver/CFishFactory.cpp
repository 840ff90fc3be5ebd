#include "CFishFactory.h"

#include "CBream.h"
#include "CIwashi.h"
#include "CMackerel.h"

CFish* CFishFactory::MakeFish(int32_t kind)
{
    switch (kind) {
    case FishKindBream:
        return new CBream(0);
    case FishKindMackerel:
        return new CMackerel();
    default:
        return new CIwashi();
    }
}
