// Triangle-strip builder: the search's strips, cutting, ordering and joining,
// the worked meshes, bad input, and the cover property over shuffled grids
// and cylinders.

#include "mesh/CacheSimulator.h"
#include "mesh/MakeStrips.h"
#include "mesh/StripBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using Tri = std::array<int, 3>;
using Indices = std::vector<uint16_t>;

// MakeStrips' groups, freed with the array delete the caller owes.
struct Groups {
    StripGroup* groups = nullptr;
    uint16_t count = 0xBEEF;
    ~Groups() { delete[] groups; }
    std::vector<int> Strip(int g) const { return std::vector<int>(groups[g].indexData, groups[g].indexData + groups[g].indexCount); }
};

void Make(const Indices& in, Groups& out)
{
    MakeStrips(in.data(), uint32_t(in.size()), &out.groups, &out.count);
}

void MakeWith(const Indices& in, int32_t setting, bool stitch, Groups& out, bool listsOnly = false, int32_t minimum = 0)
{
    MakeStripsWith(in.data(), uint32_t(in.size()), setting, stitch, listsOnly, minimum, &out.groups, &out.count);
}

// The search alone, over the builder's face table and edge lists.
struct Search {
    StripBuilder builder;
    std::vector<StripFace*> table;
    StripEdgeLists edges;
    std::vector<StripRecord*> strips;

    explicit Search(const Indices& in, bool run = true)
    {
        builder.indices = in;
        uint16_t largest = 0;
        for (uint16_t i : in)
            largest = std::max(largest, i);
        builder.BuildStripifyInfo(table, edges, largest);
        if (run)
            builder.SearchStrips(strips, table, edges, 10);
    }
    ~Search()
    {
        for (StripRecord* s : strips)
            delete s;
        for (StripFace* f : table)
            delete f;
        StripBuilder::FreeEdges(edges);
    }
};

// The whole builder run, keeping the ordered pieces and leftover faces.
struct Build {
    StripBuilder builder;
    std::vector<StripRecord*> pieces;
    std::vector<StripFace*> leftovers;

    Build(const Indices& in, int32_t setting, int32_t minimum = 0)
    {
        uint16_t largest = 0;
        for (uint16_t i : in)
            largest = std::max(largest, i);
        builder.BuildStrips(in, setting, minimum, largest, pieces, leftovers);
    }
    ~Build()
    {
        for (StripRecord* p : pieces) {
            for (StripFace* f : p->faces)
                delete f;
            delete p;
        }
        for (StripFace* f : leftovers)
            delete f;
    }
    std::vector<size_t> Sizes() const
    {
        std::vector<size_t> sizes;
        for (const StripRecord* p : pieces)
            sizes.push_back(p->faces.size());
        return sizes;
    }
};

std::vector<Tri> FacesOf(const StripRecord& strip)
{
    std::vector<Tri> faces;
    for (const StripFace* f : strip.faces)
        faces.push_back({f->va, f->vb, f->vc});
    return faces;
}

std::vector<Tri> FacesOf(const std::vector<StripFace*>& list)
{
    std::vector<Tri> faces;
    for (const StripFace* f : list)
        faces.push_back({f->va, f->vb, f->vc});
    return faces;
}

// The same triangle whatever vertex it starts at: the smallest index first.
Tri Canonical(Tri t)
{
    while (t[0] > t[1] || t[0] > t[2])
        t = {t[1], t[2], t[0]};
    return t;
}

bool Degenerate(const Tri& t) { return t[0] == t[1] || t[1] == t[2] || t[2] == t[0]; }

// Triangle k of a strip, with its second and third index swapped for odd k
// as the device draws it.
std::vector<Tri> StripTriangles(const std::vector<int>& strip)
{
    std::vector<Tri> tris;
    for (size_t k = 0; k + 2 < strip.size(); ++k) {
        if (k % 2 == 0)
            tris.push_back({strip[k], strip[k + 1], strip[k + 2]});
        else
            tris.push_back({strip[k], strip[k + 2], strip[k + 1]});
    }
    return tris;
}

Indices Flatten(const std::vector<Tri>& tris)
{
    Indices out;
    for (const Tri& t : tris)
        for (int v : t)
            out.push_back(uint16_t(v));
    return out;
}

// The 20-quad row: vertices 0-20 along one side, 21-41 along the other.
Indices QuadRow()
{
    std::vector<Tri> tris;
    for (int x = 0; x < 20; ++x) {
        tris.push_back({x, x + 1, 21 + x});
        tris.push_back({21 + x, x + 1, 22 + x});
    }
    return Flatten(tris);
}

// The closed band of eight triangles around a square tube.
Indices Band()
{
    std::vector<Tri> tris;
    for (int k = 0; k < 4; ++k) {
        tris.push_back({k, (k + 1) % 4, 4 + k});
        tris.push_back({4 + k, (k + 1) % 4, 4 + (k + 1) % 4});
    }
    return Flatten(tris);
}

// Checks that a stitched strip draws exactly the input triangles, each once
// in its winding, and that its only other triangles are the degenerate ones
// of the joins: one at the very start (the leading repeat), and four or five
// between two pieces (closing repeat, joining repeat, optional parity repeat).
void ExpectCovers(const std::vector<Tri>& input, const std::vector<int>& strip, const std::string& what)
{
    std::map<Tri, int> expected, drawn;
    for (const Tri& t : input)
        ++expected[Canonical(t)];
    std::vector<Tri> tris = StripTriangles(strip);
    ASSERT_FALSE(tris.empty()) << what;
    EXPECT_FALSE(Degenerate(tris.back())) << what << ": ends on a join";
    size_t run = 0;
    bool atStart = true;
    for (const Tri& t : tris) {
        if (Degenerate(t)) {
            ++run;
            continue;
        }
        if (atStart) {
            EXPECT_LE(run, 1u) << what << ": leading repeats";
        } else if (run != 0) {
            EXPECT_TRUE(run == 4 || run == 5) << what << ": a join of " << run << " degenerate triangles";
        }
        atStart = false;
        run = 0;
        ++drawn[Canonical(t)];
    }
    EXPECT_EQ(expected, drawn) << what;
}

// A grid of w x h quads, split along a random diagonal each; with wrap the
// columns close into a cylinder (w >= 3). Triangles are wound alike.
std::vector<Tri> GridTriangles(int w, int h, bool wrap, std::mt19937& rng)
{
    int columns = wrap ? w : w + 1;
    auto v = [&](int x, int y) { return y * columns + (wrap ? x % w : x); };
    std::vector<Tri> tris;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int a = v(x, y), b = v(x + 1, y), c = v(x, y + 1), d = v(x + 1, y + 1);
            if (rng() % 2) {
                tris.push_back({a, b, c});
                tris.push_back({c, b, d});
            } else {
                tris.push_back({a, b, d});
                tris.push_back({a, d, c});
            }
        }
    return tris;
}

// The same mesh in a shuffled order, each triangle starting at a random
// vertex, with the vertices renumbered at random.
std::vector<Tri> Shuffled(std::vector<Tri> tris, std::mt19937& rng)
{
    int vertices = 0;
    for (const Tri& t : tris)
        for (int i : t)
            vertices = std::max(vertices, i + 1);
    std::vector<int> name(vertices);
    for (int i = 0; i < vertices; ++i)
        name[i] = i;
    std::shuffle(name.begin(), name.end(), rng);
    std::shuffle(tris.begin(), tris.end(), rng);
    for (Tri& t : tris) {
        int r = int(rng() % 3);
        t = {name[t[r]], name[t[(r + 1) % 3]], name[t[(r + 2) % 3]]};
    }
    return tris;
}

} // namespace

// Runs first: the builder plans for the default cache until told otherwise.
TEST(MakeStrips, DefaultCacheSettingIsSixteen)
{
    Groups made, with16;
    Make(QuadRow(), made);
    MakeWith(QuadRow(), 16, true, with16);
    ASSERT_EQ(1, made.count);
    EXPECT_EQ(with16.Strip(0), made.Strip(0));
}

TEST(MakeStrips, OneTriangleIsOneStrip)
{
    Groups g;
    Make({0, 1, 2}, g);
    ASSERT_EQ(1, g.count);
    EXPECT_EQ(StripGroup::Strip, g.groups[0].kind);
    EXPECT_EQ((std::vector<int>{0, 1, 2}), g.Strip(0));
}

TEST(MakeStrips, TwoAdjacentTrianglesShareOneStrip)
{
    Groups g;
    Make({0, 1, 2, 2, 1, 3}, g);
    ASSERT_EQ(1, g.count);
    EXPECT_EQ(StripGroup::Strip, g.groups[0].kind);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), g.Strip(0));
}

TEST(MakeStrips, SeparateTrianglesAreJoinedKeepingWinding)
{
    Groups g;
    Make({0, 1, 2, 3, 4, 5}, g);
    ASSERT_EQ(1, g.count);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 2, 3, 3, 3, 4, 5}), g.Strip(0));
}

TEST(MakeStrips, LoneTriangleWithFewestNeighboursComesFirst)
{
    Indices in{0, 1, 2, 2, 1, 3, 4, 5, 6};
    Groups g;
    Make(in, g);
    ASSERT_EQ(1, g.count);
    EXPECT_EQ((std::vector<int>{4, 5, 6, 6, 0, 0, 0, 1, 2, 3}), g.Strip(0));

    // Unstitched: every piece ends with a separator and is a group of its own.
    Build b(in, 16);
    std::vector<int32_t> stream;
    uint32_t separate = 99;
    b.builder.JoinStrips(b.pieces, stream, false, separate);
    EXPECT_EQ((std::vector<int32_t>{4, 5, 6, -1, 0, 1, 2, 3, -1}), stream);
    EXPECT_EQ(2u, separate);

    Groups apart;
    MakeWith(in, 16, false, apart);
    ASSERT_EQ(2, apart.count);
    EXPECT_EQ(StripGroup::Strip, apart.groups[0].kind);
    EXPECT_EQ(StripGroup::Strip, apart.groups[1].kind);
    EXPECT_EQ((std::vector<int>{4, 5, 6}), apart.Strip(0));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), apart.Strip(1));
}

TEST(MakeStrips, QuadRowIsOneStripCutForTheCache)
{
    Indices in = QuadRow();
    Search s(in);
    ASSERT_EQ(1u, s.strips.size());
    EXPECT_EQ(40u, s.strips[0]->faces.size());
    std::vector<Tri> whole = FacesOf(*s.strips[0]);

    // 24 plans for 18 entries: pieces of 18, 18 and 4 faces; the 4-face
    // piece, the end of the strip, has 7 neighbours over 4 faces and leads.
    Build b24(in, 24);
    EXPECT_EQ(18, b24.builder.cacheSize);
    std::vector<size_t> sizes = b24.Sizes();
    ASSERT_EQ(3u, sizes.size());
    EXPECT_EQ(4u, sizes[0]);
    EXPECT_EQ(18u, sizes[1]);
    EXPECT_EQ(18u, sizes[2]);
    EXPECT_EQ(std::vector<Tri>(whole.end() - 4, whole.end()), FacesOf(*b24.pieces[0]));

    Groups g24;
    MakeWith(in, 24, true, g24);
    ASSERT_EQ(1, g24.count);
    EXPECT_EQ(51u, g24.groups[0].indexCount);
    ExpectCovers(std::vector<Tri>(whole), g24.Strip(0), "setting 24");

    Build b16(in, 16);
    EXPECT_EQ(std::vector<size_t>(4, 10), b16.Sizes());

    for (int32_t setting : {7, 6, 1, 0, -5, INT_MIN}) {
        Build b(in, setting);
        EXPECT_EQ(1, b.builder.cacheSize) << setting;
        EXPECT_EQ(std::vector<size_t>(40, 1), b.Sizes()) << setting;
    }
}

TEST(MakeStrips, CacheSettingStaysUntilSetAgain)
{
    Indices in = QuadRow();
    Groups with24, with16;
    MakeWith(in, 24, true, with24);
    MakeWith(in, 16, true, with16);
    ASSERT_NE(with24.Strip(0), with16.Strip(0));

    SetStripCacheSize(24);
    for (int run = 0; run < 2; ++run) {
        Groups g;
        Make(in, g);
        ASSERT_EQ(1, g.count);
        EXPECT_EQ(with24.Strip(0), g.Strip(0)) << run;
    }
    SetStripCacheSize(16);
    Groups g;
    Make(in, g);
    EXPECT_EQ(with16.Strip(0), g.Strip(0));
}

TEST(MakeStrips, ListsOnlyAndShortPiecesGiveListGroups)
{
    Indices in = QuadRow();
    Groups lists;
    MakeWith(in, 24, true, lists, true);
    ASSERT_EQ(1, lists.count);
    EXPECT_EQ(StripGroup::List, lists.groups[0].kind);
    ASSERT_EQ(120u, lists.groups[0].indexCount);
    std::vector<int> l = lists.Strip(0);
    std::vector<Tri> listed;
    for (size_t i = 0; i < l.size(); i += 3)
        listed.push_back({l[i], l[i + 1], l[i + 2]});
    std::vector<Tri> input;
    for (size_t i = 0; i < in.size(); i += 3)
        input.push_back({in[i], in[i + 1], in[i + 2]});
    std::sort(listed.begin(), listed.end());
    std::sort(input.begin(), input.end());
    EXPECT_EQ(input, listed);

    // Pieces of 18, 18 and 4 with a minimum of 5: the 4 faces go to a list
    // group after the one stitched strip.
    Groups mixed;
    MakeWith(in, 24, true, mixed, false, 5);
    ASSERT_EQ(2, mixed.count);
    EXPECT_EQ(StripGroup::Strip, mixed.groups[0].kind);
    EXPECT_EQ(StripGroup::List, mixed.groups[1].kind);
    EXPECT_EQ(12u, mixed.groups[1].indexCount);

    // The minimum is compared unsigned: a negative one sets every face aside.
    Build all(in, 24, -1);
    EXPECT_TRUE(all.pieces.empty());
    EXPECT_EQ(40u, all.leftovers.size());
}

TEST(MakeStrips, ShortFacesAreOrderedByCacheHits)
{
    // Three lone triangles, found in input order. Setting 9 plans for 3
    // entries; after (0,1,2) the cache holds 2, 1, 0, so (2,5,6) with one hit
    // comes before (7,8,9) with none.
    Indices in{0, 1, 2, 7, 8, 9, 2, 5, 6};
    Search s(in);
    ASSERT_EQ(3u, s.strips.size());
    EXPECT_EQ((std::vector<Tri>{{7, 8, 9}}), FacesOf(*s.strips[1]));
    Build b(in, 9, 100);
    EXPECT_TRUE(b.pieces.empty());
    EXPECT_EQ((std::vector<Tri>{{0, 1, 2}, {2, 5, 6}, {7, 8, 9}}), FacesOf(b.leftovers));
}

TEST(MakeStrips, PropertyEveryTriangleOnceInItsWinding)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 24; ++round) {
        bool wrap = round % 2 == 1;
        int w = 3 + int(rng() % 8), h = 1 + int(rng() % 7);
        std::vector<Tri> tris = Shuffled(GridTriangles(w, h, wrap, rng), rng);
        for (int32_t setting : {24, 16, 9, 7}) {
            std::string what = std::string(wrap ? "cylinder " : "grid ") + std::to_string(w) + "x" +
                               std::to_string(h) + " round " + std::to_string(round) + " setting " +
                               std::to_string(setting);
            Groups g;
            MakeWith(Flatten(tris), setting, true, g);
            ASSERT_EQ(1, g.count) << what;
            EXPECT_EQ(StripGroup::Strip, g.groups[0].kind) << what;
            ExpectCovers(tris, g.Strip(0), what);
        }
    }
}

TEST(MakeStrips, PropertyHoldsForTheWorkedMeshes)
{
    SetStripCacheSize(24);
    for (const Indices& in : {QuadRow(), Band(), Indices{0, 1, 2, 2, 1, 3, 4, 5, 6}}) {
        std::vector<Tri> tris;
        for (size_t i = 0; i < in.size(); i += 3)
            tris.push_back({in[i], in[i + 1], in[i + 2]});
        Groups g;
        Make(in, g);
        ASSERT_EQ(1, g.count);
        ExpectCovers(tris, g.Strip(0), "worked mesh");
    }
    SetStripCacheSize(16);
}

// Faults: inputs the builder must survive.

TEST(MakeStrips, FewerThanThreeIndicesGiveNoGroups)
{
    Indices in{0, 1, 2};
    for (uint32_t count : {0u, 1u, 2u}) {
        Groups g;
        MakeStrips(in.data(), count, &g.groups, &g.count);
        EXPECT_EQ(nullptr, g.groups) << count;
        EXPECT_EQ(0, g.count) << count;
    }
    Groups none;
    MakeStrips(nullptr, 9, &none.groups, &none.count);
    EXPECT_EQ(nullptr, none.groups);
    EXPECT_EQ(0, none.count);
    // Null out-pointers are ignored rather than written through.
    MakeStrips(in.data(), 3, nullptr, nullptr);
}

TEST(MakeStrips, IndicesBeyondWholeTrianglesAreIgnored)
{
    for (Indices in : {Indices{0, 1, 2, 3}, Indices{0, 1, 2, 3, 4}}) {
        Groups g;
        Make(in, g);
        ASSERT_EQ(1, g.count);
        EXPECT_EQ((std::vector<int>{0, 1, 2}), g.Strip(0));
    }
}

TEST(MakeStrips, DegenerateTrianglesAreDropped)
{
    // A triangle with two equal indices would record an edge from a vertex to
    // itself and loop that vertex's edge list.
    for (Tri bad : {Tri{1, 1, 2}, Tri{1, 2, 1}, Tri{2, 1, 1}, Tri{1, 1, 1}, Tri{7, 7, 8}}) {
        Indices in{0, 1, 2, uint16_t(bad[0]), uint16_t(bad[1]), uint16_t(bad[2]), 2, 1, 3};
        Search s(in, false);
        EXPECT_EQ((std::vector<Tri>{{0, 1, 2}, {2, 1, 3}}), FacesOf(s.table));
        Groups g;
        Make(in, g);
        ASSERT_EQ(1, g.count);
        EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), g.Strip(0));
    }
    Groups onlyBad;
    Make({0, 0, 1, 2, 2, 2}, onlyBad);
    EXPECT_EQ(nullptr, onlyBad.groups);
    EXPECT_EQ(0, onlyBad.count);
}

TEST(MakeStrips, OddCacheSettingsStayInBounds)
{
    Indices in = QuadRow();
    std::vector<Tri> tris;
    for (size_t i = 0; i < in.size(); i += 3)
        tris.push_back({in[i], in[i + 1], in[i + 2]});
    for (int32_t setting : {INT_MIN, -1, 0, 6, 7, 100000, INT_MAX}) {
        Groups g;
        MakeWith(in, setting, true, g);
        ASSERT_EQ(1, g.count) << setting;
        ExpectCovers(tris, g.Strip(0), "setting " + std::to_string(setting));
    }
}

TEST(MakeStrips, HighestSixteenBitIndexIsAVertex)
{
    Groups g;
    Make({65533, 65534, 65535, 65535, 65534, 0}, g);
    ASSERT_EQ(1, g.count);
    EXPECT_EQ((std::vector<int>{65533, 65534, 65535, 0}), g.Strip(0));
}

TEST(MakeStrips, LongInputIsCovered)
{
    std::mt19937 rng(99);
    std::vector<Tri> tris = Shuffled(GridTriangles(60, 40, true, rng), rng);
    SetStripCacheSize(24);
    Groups g;
    Make(Flatten(tris), g);
    SetStripCacheSize(16);
    ASSERT_EQ(1, g.count);
    ExpectCovers(tris, g.Strip(0), "cylinder 60x40");
}

TEST(CacheSimulator, FirstInFirstOutWithoutRenewingAge)
{
    CacheSimulator cache(3);
    EXPECT_EQ((std::vector<int32_t>{-1, -1, -1}), std::vector<int32_t>(cache.entries, cache.entries + 3));
    cache.AddFace(StripFace(1, 2, 3));
    EXPECT_EQ((std::vector<int32_t>{3, 2, 1}), std::vector<int32_t>(cache.entries, cache.entries + 3));
    // 2 is cached and keeps its place; 4 pushes the oldest (1) out.
    cache.AddFace(StripFace(2, 4, 3));
    EXPECT_EQ((std::vector<int32_t>{4, 3, 2}), std::vector<int32_t>(cache.entries, cache.entries + 3));
    EXPECT_FALSE(cache.Contains(1));
}

TEST(CacheSimulator, SizeIsHeldToWhatAPushNeedsAndIndicesCanName)
{
    for (int32_t size : {0, -1, INT_MIN}) {
        CacheSimulator cache(size);
        EXPECT_EQ(1, cache.size);
        cache.Push(5);
        cache.Push(6);
        EXPECT_TRUE(cache.Contains(6));
        EXPECT_FALSE(cache.Contains(5));
    }
    CacheSimulator huge(INT_MAX);
    EXPECT_EQ(65536, huge.size);
}

// The search.

TEST(StripSearch, OneTriangleIsOneStripOfOneFace)
{
    Search s({0, 1, 2});
    ASSERT_EQ(1u, s.strips.size());
    EXPECT_EQ((std::vector<Tri>{{0, 1, 2}}), FacesOf(*s.strips[0]));
}

TEST(StripSearch, TwoTrianglesFirstTrialWinsOverLaterEqualOnes)
{
    Indices in{0, 1, 2, 2, 1, 3};
    {
        Search s(in, false);
        EXPECT_EQ(0, s.builder.FindBoundaryFace(s.table, s.edges));
        StripFace* seed = s.table[0];
        StripEdge* edge = s.builder.LookUpEdge(s.edges, 0, 1);

        StripRecord first(StripStart{seed, edge, true}, 0, 0);
        s.builder.GrowStrip(first, s.edges);
        EXPECT_EQ((std::vector<Tri>{{0, 1, 2}, {2, 1, 3}}), FacesOf(first));
        StripStart next;
        EXPECT_FALSE(s.builder.FindNextStart(first, s.edges, next));
        EXPECT_FLOAT_EQ(2.0f, s.builder.MeanStripLength({&first}));

        StripRecord second(StripStart{seed, edge, false}, 1, 1);
        s.builder.GrowStrip(second, s.edges);
        EXPECT_EQ((std::vector<Tri>{{0, 1, 2}}), FacesOf(second));
        EXPECT_FALSE(s.builder.FindNextStart(second, s.edges, next));
    }
    Search s(in);
    ASSERT_EQ(1u, s.strips.size());
    EXPECT_EQ((std::vector<Tri>{{0, 1, 2}, {2, 1, 3}}), FacesOf(*s.strips[0]));
    EXPECT_EQ(0, s.strips[0]->number);
    EXPECT_EQ(-1, s.strips[0]->trial);
}

TEST(StripSearch, ClosedBandStopsBeforeAFaceWithNoNewVertex)
{
    Search s(Band());
    ASSERT_EQ(2u, s.strips.size());
    EXPECT_EQ((std::vector<Tri>{{0, 1, 4}, {7, 0, 4}, {3, 0, 7}, {6, 3, 7}, {2, 3, 6}, {5, 2, 6}}),
              FacesOf(*s.strips[0]));
    EXPECT_EQ((std::vector<Tri>{{4, 1, 5}, {1, 2, 5}}), FacesOf(*s.strips[1]));
}

TEST(StripSearch, ClosedFanIsTwoStripsOfThree)
{
    std::vector<Tri> fan;
    for (int k = 0; k < 6; ++k)
        fan.push_back({0, 1 + k, 1 + (k + 1) % 6});
    Search s(Flatten(fan));
    ASSERT_EQ(2u, s.strips.size());
    EXPECT_EQ(3u, s.strips[0]->faces.size());
    EXPECT_EQ(3u, s.strips[1]->faces.size());
    // Every face lies in exactly one adopted strip.
    std::vector<Tri> all = FacesOf(*s.strips[0]);
    std::vector<Tri> more = FacesOf(*s.strips[1]);
    all.insert(all.end(), more.begin(), more.end());
    std::sort(all.begin(), all.end());
    std::sort(fan.begin(), fan.end());
    EXPECT_EQ(fan, all);
}

TEST(StripSearch, RepeatedTriangles)
{
    {
        testing::internal::CaptureStdout();
        Search s({0, 1, 2, 0, 1, 2});
        EXPECT_EQ("", testing::internal::GetCapturedStdout());
        EXPECT_EQ(1u, s.table.size());
    }
    {
        // Rotated, the repeat is a face of its own on the far side of all
        // three edges.
        testing::internal::CaptureStdout();
        Search s({0, 1, 2, 1, 2, 0}, false);
        EXPECT_EQ("", testing::internal::GetCapturedStdout());
        ASSERT_EQ(2u, s.table.size());
        for (auto e : {std::array<int, 2>{0, 1}, {1, 2}, {2, 0}}) {
            StripEdge* edge = s.builder.LookUpEdge(s.edges, e[0], e[1]);
            ASSERT_NE(nullptr, edge);
            EXPECT_EQ(s.table[0], edge->faceA);
            EXPECT_EQ(s.table[1], edge->faceB);
        }
    }
    {
        std::string message = "BuildStripifyInfo: > 2 triangles on an edge... uncertain consequences\n";
        testing::internal::CaptureStdout();
        Search s({0, 1, 2, 1, 2, 0, 2, 0, 1});
        EXPECT_EQ(message + message + message, testing::internal::GetCapturedStdout());
        EXPECT_EQ(3u, s.table.size());
        size_t faces = 0;
        for (const StripRecord* strip : s.strips)
            faces += strip->faces.size();
        EXPECT_EQ(3u, faces);
    }
}

TEST(StripSearch, SeedFractionSteps)
{
    Search s({0, 1, 2}, false);
    s.table[0]->ownerStrip = 0; // no seed left, so only the fraction moves
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(nullptr, s.builder.NextSeedFace(s.table, s.edges));
        EXPECT_NEAR(0.1 * n, s.builder.seedFraction, 1e-5) << n;
    }
    for (int n = 10; n <= 19; ++n) {
        s.builder.NextSeedFace(s.table, s.edges);
        EXPECT_NEAR(0.05 + 0.1 * (n - 10), s.builder.seedFraction, 1e-5) << n;
    }
    s.builder.NextSeedFace(s.table, s.edges);
    EXPECT_NEAR(0.05, s.builder.seedFraction, 1e-5);
}

TEST(StripSearch, SeedsAfterTheBoundaryFaceComeFromTheFraction)
{
    // A closed band has no boundary face, so even the first seed comes from
    // the fraction; owned faces are passed over cyclically.
    Search s(Band(), false);
    EXPECT_EQ(-1, s.builder.FindBoundaryFace(s.table, s.edges));
    EXPECT_EQ(s.table[0], s.builder.NextSeedFace(s.table, s.edges)); // 0.0 x 7
    EXPECT_EQ(s.table[0], s.builder.NextSeedFace(s.table, s.edges)); // 0.1 x 7 = 0.7
    s.table[1]->ownerStrip = 3;
    EXPECT_EQ(s.table[2], s.builder.NextSeedFace(s.table, s.edges)); // 0.2 x 7 = 1.4
    for (StripFace* f : s.table)
        f->ownerStrip = 0;
    s.table[0]->ownerStrip = -1;
    EXPECT_EQ(s.table[0], s.builder.NextSeedFace(s.table, s.edges)); // from 2, round to 0
}

TEST(StripSearch, OtherTrialsClaimsDoNotBlockButAdoptedFacesDo)
{
    Indices in{0, 1, 2, 2, 1, 3};
    Search s(in, false);
    StripEdge* edge = s.builder.LookUpEdge(s.edges, 0, 1);
    s.table[1]->trial = 4;
    s.table[1]->trialStrip = 9;
    StripRecord trial(StripStart{s.table[0], edge, true}, 10, 5);
    s.builder.GrowStrip(trial, s.edges);
    EXPECT_EQ(2u, trial.faces.size());

    s.table[1]->ownerStrip = 2;
    StripRecord blocked(StripStart{s.table[0], edge, true}, 11, 6);
    s.builder.GrowStrip(blocked, s.edges);
    EXPECT_EQ(1u, blocked.faces.size());
}

TEST(StripSearch, NextIndexMessages)
{
    Search s({0, 1, 2}, false);
    testing::internal::CaptureStdout();
    EXPECT_EQ(2, s.builder.GetNextIndex({5, 0, 1}, StripFace(0, 1, 2)));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());

    testing::internal::CaptureStdout();
    EXPECT_EQ(7, s.builder.GetNextIndex({0, 1}, StripFace(0, 7, 8)));
    EXPECT_EQ("GetNextIndex: Triangle doesn't have all of its vertices\n"
              "GetNextIndex: Duplicate triangle probably got us derailed\n",
              testing::internal::GetCapturedStdout());

    testing::internal::CaptureStdout();
    EXPECT_EQ(-1, s.builder.GetNextIndex({0, 1}, StripFace(0, 1, 1)));
    EXPECT_EQ("GetNextIndex: Duplicate triangle sent\n", testing::internal::GetCapturedStdout());

    // Fewer than two indices: only those there are compared (and the face
    // does not fit them, so the pair is printed).
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, s.builder.GetNextIndex({0}, StripFace(0, 1, 2)));
    EXPECT_EQ(0, s.builder.GetNextIndex({}, StripFace(0, 1, 2)));
    testing::internal::GetCapturedStdout();
}

TEST(StripSearch, LookUpsOutsideTheEdgeListsFindNothing)
{
    Search s({0, 1, 2}, false);
    // -1 follows a failed next index; 3 and 65535 have no list head here.
    for (int32_t a : {-1, 3, 65535, INT_MAX, INT_MIN}) {
        EXPECT_EQ(nullptr, s.builder.LookUpEdge(s.edges, a, 0)) << a;
        EXPECT_EQ(nullptr, s.builder.FaceAcross(s.edges, a, 0, s.table[0])) << a;
    }
    EXPECT_EQ(nullptr, s.builder.LookUpEdge(s.edges, 0, -1));
    EXPECT_NE(nullptr, s.builder.LookUpEdge(s.edges, 1, 0));
}

TEST(StripSearch, SmallLargestIndexIsRaisedToTheInput)
{
    // The caller's largest index is 0; the edge lists still get a head for
    // every vertex used.
    Indices in{0, 1, 2, 2, 1, 3};
    StripBuilder builder;
    std::vector<StripRecord*> pieces;
    std::vector<StripFace*> leftovers;
    builder.BuildStrips(in, 16, 0, 0, pieces, leftovers);
    ASSERT_EQ(1u, pieces.size());
    EXPECT_EQ((std::vector<Tri>{{0, 1, 2}, {2, 1, 3}}), FacesOf(*pieces[0]));
    for (StripRecord* p : pieces) {
        for (StripFace* f : p->faces)
            delete f;
        delete p;
    }
}

TEST(StripSearch, EmptyTablesAndNoSamplesEnd)
{
    Search empty(Indices{}, false);
    EXPECT_EQ(nullptr, empty.builder.NextSeedFace(empty.table, empty.edges));
    empty.builder.SearchStrips(empty.strips, empty.table, empty.edges, 10);
    EXPECT_TRUE(empty.strips.empty());

    // Without samples a pass would never adopt anything; one sample is taken.
    Search s(QuadRow(), false);
    s.builder.SearchStrips(s.strips, s.table, s.edges, 0);
    size_t faces = 0;
    for (const StripRecord* strip : s.strips)
        faces += strip->faces.size();
    EXPECT_EQ(40u, faces);
}

TEST(StripSearch, EmptyPiecesAreSkipped)
{
    StripBuilder builder;
    StripFace face(0, 1, 2);
    StripRecord empty(StripStart{nullptr, nullptr, false}, 0, -1);
    StripRecord one(StripStart{nullptr, nullptr, false}, 0, -1);
    one.faces.push_back(&face);
    std::vector<int32_t> stream;
    uint32_t separate = 0;
    builder.JoinStrips({&empty, &one, &empty}, stream, true, separate);
    EXPECT_EQ((std::vector<int32_t>{0, 1, 2}), stream);
    EXPECT_EQ(1u, separate);

    CacheSimulator cache(4);
    EXPECT_EQ(0.0f, builder.StripHitRate(cache, empty));
}
