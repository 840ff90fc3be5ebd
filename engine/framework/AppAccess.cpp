#include "AppAccess.h"

#include "OruApplication.h"
#include "scene/OruWorld.h"

OruWorld* World()
{
    OruApplication* app = App();
    return app ? app->world : nullptr;
}

IDirect3DDevice8* Device()
{
    OruApplication* app = App();
    return app ? app->device : nullptr;
}

OruCamera* Camera()
{
    OruApplication* app = App();
    return app && app->world ? app->world->camera : nullptr;
}
