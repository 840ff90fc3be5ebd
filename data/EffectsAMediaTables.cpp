// The descriptor tables of the effects' embedded images.

#include "BubbleTextures.h"
#include "CausticFrames.h"
#include "MarkTextures.h"
#include "RainbowGradients.h"

#include "EffectsAMedia.h"

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
