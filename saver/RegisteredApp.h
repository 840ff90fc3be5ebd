#pragma once

#include <d3d8.h>

class OruApplication;
class OruCamera;
class OruWorld;

// The registered application and the parts of it the scene objects reach;
// each is null while there is no application (or no world).
OruApplication* App();
OruWorld* World();
IDirect3DDevice8* Device();
OruCamera* Camera();
