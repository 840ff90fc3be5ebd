#include "EffectsBMedia.h"

#include "EffectsBMediaFiles.h"

EmbeddedFileRef* const PaintTextures[PaintTextureCount] = {&PaintTartan.ref, &PaintDenseDots.ref,
                                                           &PaintSparseDots.ref, &PaintStripes.ref};

EmbeddedFileRef* const FlareTextures[FlareTextureCount] = {
    &FlareTexture00.ref, &FlareTexture01.ref, &FlareTexture02.ref, &FlareTexture03.ref, &FlareTexture04.ref,
    &FlareTexture05.ref, &FlareTexture06.ref, &FlareTexture07.ref, &FlareTexture08.ref, &FlareTexture09.ref,
    &FlareTexture10.ref, &FlareTexture11.ref, &FlareTexture12.ref, &FlareTexture13.ref, &FlareTexture14.ref,
    &FlareTexture15.ref, &FlareTexture16.ref, &FlareTexture17.ref, &FlareTexture18.ref, &FlareTexture19.ref};

EmbeddedFileRef* const LogoTextures[2] = {&LogoNormalMap.ref, &LogoPicture.ref};

EmbeddedFileRef* const LogoMesh = &LogoShape.ref;

EmbeddedFileRef* const LogoCubeTexture = &LogoCubeMap.ref;
