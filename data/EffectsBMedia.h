// Until its users name the effects' own headers.
#pragma once

#include "FlareTextures.h"
#include "LogoMedia.h"
#include "PaintTextures.h"
