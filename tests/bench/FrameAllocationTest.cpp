// The world's frame makes no heap allocation once its lists have grown: the
// transparent pass sorts far to near through room the world keeps, in the
// same order as a stable sort (equal keys in list order, keys that are not
// numbers last), frame after frame.
#include "AllocationCounter.h"
#include "scene/OruObject.h"
#include "scene/OruWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();

// Notes the order in which the world draws it, into room made beforehand.
class Drawn : public OruObject {
public:
    Drawn(std::vector<const OruObject*>* order) : order_(order) {}
    HRESULT Render() override
    {
        order_->push_back(this);
        return 0;
    }

private:
    std::vector<const OruObject*>* order_;
};

bool FartherFirst(const OruObject* a, const OruObject* b)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float ka = std::isnan(a->sortDistance) ? -inf : a->sortDistance;
    const float kb = std::isnan(b->sortDistance) ? -inf : b->sortDistance;
    return ka > kb;
}

struct Frame {
    int allocations;
    std::vector<const OruObject*> order;
};

} // namespace

TEST(FrameAllocation, TransparentPassSortsStablyWithoutAllocating)
{
    // Lists of several sizes, many equal keys, keys that are not numbers,
    // and opaque and late objects between them.
    const int sizes[] = {1, 2, 7, 64, 333};
    for (int size : sizes) {
        OruWorld world;
        std::vector<const OruObject*> order;
        order.reserve(2 * size + 2);
        std::vector<const OruObject*> transparent;
        std::srand(size);
        for (int i = 0; i < size; ++i) {
            Drawn* o = new Drawn(&order);
            o->transparent = 1;
            o->sortDistance = std::rand() % 5 == 0 ? NaN : static_cast<float>(std::rand() % 8);
            transparent.push_back(o);
            ASSERT_EQ(0, world.AddObject(o));
            if (i % 3 == 0) {
                Drawn* plain = new Drawn(&order);
                plain->late = i % 2;
                ASSERT_EQ(0, world.AddObject(plain));
            }
        }
        std::vector<const OruObject*> expected = transparent;
        std::stable_sort(expected.begin(), expected.end(), FartherFirst);

        for (int frame = 0; frame < 3; ++frame) {
            order.clear();
            const int64_t before = AllocationCounter::Now().allocations;
            world.Render();
            const int64_t allocations = AllocationCounter::Now().allocations - before;
            std::vector<const OruObject*> drawnTransparent;
            for (const OruObject* o : order)
                if (o->transparent)
                    drawnTransparent.push_back(o);
            EXPECT_EQ(expected, drawnTransparent) << size << " objects, frame " << frame;
            // The first frame may grow the world's lists; later ones reuse them.
            if (frame > 0) {
                EXPECT_EQ(0, allocations) << size << " objects, frame " << frame;
            }
        }
        world.FinalCleanup();
    }
}
