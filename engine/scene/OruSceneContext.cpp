#include "OruSceneContext.h"

namespace {

OruSceneContext* current = nullptr;

} // namespace

OruSceneContext* OruSceneContext::Current()
{
    return current;
}

void OruSceneContext::SetCurrent(OruSceneContext* context)
{
    current = context;
}
