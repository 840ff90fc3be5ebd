// The artwork of the configuration dialog's picture buttons: small
// deterministic drawings of fish, schools, cameras and a mouse on water.
#pragma once

#include "ImageWriters.h"

const int DialogArtSize = 64;

// The picture of one bitmap resource id (166, 167, 169 to 177); an empty
// image for any other id.
RgbaImage DrawDialogPicture(int resourceId);
