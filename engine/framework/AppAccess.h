#pragma once

#include <d3d8.h>

class OruApplication;
class OruCamera;
class OruWorld;

// The program's one application object and the parts of it that engine and
// scene code reach: the application registers itself when it is constructed
// (the last one constructed wins) and unregisters when it is destroyed. Each
// is null while there is no application (or no world).
OruApplication* App();
OruWorld* World();
IDirect3DDevice8* Device();
OruCamera* Camera();
