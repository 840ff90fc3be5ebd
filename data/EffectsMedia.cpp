// The descriptor tables of the effects' embedded media.

#include "BubbleTextures.h"
#include "CausticFrames.h"
#include "FlareTextures.h"
#include "LogoMedia.h"
#include "MarkTextures.h"
#include "PaintTextures.h"
#include "RainbowGradients.h"

#include "effectsmedia.h"

EmbeddedFileRef* const BubbleTextures[BubbleTextureCount] = {
    &BubbleTexture0.ref,
    &BubbleTexture1.ref,
    &BubbleTexture2.ref,
    &BubbleTexture3.ref,
};

EmbeddedFileRef* const RainbowGradients[RainbowGradientCount] = {
    &RainbowGradient0.ref,
    &RainbowGradient1.ref,
    &RainbowGradient2.ref,
};

EmbeddedFileRef* const CausticFrames[CausticFrameCount] = {
    &CausticFrame00.ref,
    &CausticFrame01.ref,
    &CausticFrame02.ref,
    &CausticFrame03.ref,
    &CausticFrame04.ref,
    &CausticFrame05.ref,
    &CausticFrame06.ref,
    &CausticFrame07.ref,
    &CausticFrame08.ref,
    &CausticFrame09.ref,
    &CausticFrame10.ref,
    &CausticFrame11.ref,
    &CausticFrame12.ref,
    &CausticFrame13.ref,
    &CausticFrame14.ref,
    &CausticFrame15.ref,
    &CausticFrame16.ref,
    &CausticFrame17.ref,
    &CausticFrame18.ref,
    &CausticFrame19.ref,
    &CausticFrame20.ref,
    &CausticFrame21.ref,
    &CausticFrame22.ref,
    &CausticFrame23.ref,
    &CausticFrame24.ref,
    &CausticFrame25.ref,
    &CausticFrame26.ref,
    &CausticFrame27.ref,
    &CausticFrame28.ref,
    &CausticFrame29.ref,
    &CausticFrame30.ref,
    &CausticFrame31.ref,
};

EmbeddedFileRef* const MarkTextures[MarkTextureCount] = {
    &MarkTexture0.ref,
    &MarkTexture1.ref,
    &MarkTexture2.ref,
    &MarkTexture3.ref,
    &MarkTexture4.ref,
    &MarkTexture5.ref,
    &MarkTexture6.ref,
    &MarkTexture7.ref,
    &MarkTexture8.ref,
};

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
