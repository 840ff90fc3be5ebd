#include "StripGroup.h"

StripGroup::~StripGroup()
{
    delete[] indexData;
    indexData = nullptr;
}
