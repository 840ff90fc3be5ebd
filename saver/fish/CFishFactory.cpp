#include "fish/CFishFactory.h"

#include "fish/CBream.h"
#include "fish/CIwashi.h"
#include "fish/CMackerel.h"

#include <new>

namespace {

// The fish when its constructor got everything it allocates; otherwise
// nothing (the part made is freed).
CFish* Whole(CFish* fish)
{
    if (fish && !fish->Complete()) {
        fish->FinalCleanup();
        delete fish;
        return nullptr;
    }
    return fish;
}

} // namespace

CFish* CFishFactory::MakeFish(int32_t kind)
{
    switch (kind) {
    case FishKindBream:
        return Whole(new (std::nothrow) CBream(0));
    case FishKindMackerel:
        return Whole(new (std::nothrow) CMackerel());
    default:
        return Whole(new (std::nothrow) CIwashi());
    }
}
