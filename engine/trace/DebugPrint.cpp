#include "DebugPrint.h"

int DebugPrint(const char*, ...)
{
    return 0;
}

int DebugPrint(int, const char*, ...)
{
    return 0;
}
