#include "app/SelRandom.h"

#include <cstdlib>

namespace {
SelRandomSource g_source = nullptr;
}

int SelRand()
{
    return g_source ? g_source() : rand();
}

float SelRandUnit()
{
    return (float)SelRand() * (1.0f / 32767.0f);
}

void SetSelRandomSource(SelRandomSource source)
{
    g_source = source;
}
