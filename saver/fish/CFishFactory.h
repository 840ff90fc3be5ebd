// Makes the fish of the flocks: one new fish of a kind, by its constructor,
// not yet added to the world. The flock builder creates every fish through
// one, so that its logic can run with fish of its own choosing.
#pragma once

#include <cstdint>

class CFish;

// The kinds a factory makes.
const int32_t FishKindSardine = 1;
const int32_t FishKindBream = 2;
const int32_t FishKindMackerel = 3;

class CFishFactory {
public:
    virtual ~CFishFactory() = default;

    // FishKindSardine: a CIwashi; FishKindBream: a CBream with skin type 0;
    // FishKindMackerel: a CMackerel; any other kind: a CIwashi. Null when
    // the fish, or anything its constructor allocates, cannot be allocated.
    virtual CFish* MakeFish(int32_t kind);
};
