// The state-table grammar SBServer records state blocks from. A table is a
// run of 32-bit values read from its first one, item after item:
//   1, n, stage, op [, a [, b]]  colour-stage record: COLOROP = op; COLORARG1 =
//                                a when n is 2 or 3; COLORARG2 = b when n is 3.
//                                Any other n records op alone (four values).
//   2, n, stage, op [, a [, b]]  alpha-stage record, the same with ALPHAOP,
//                                ALPHAARG1 and ALPHAARG2.
//   3                            pixel-shader stop: on a device with pixel
//                                shaders (version 1.0 or higher) the table ends
//                                here; otherwise reading goes on.
//   0xFFFFFFFF                   end of table.
//   s, v                         any other value: render state s = v.
// The end value counts only where an item begins.
#pragma once

#include <windows.h>
#include <d3d8.h>

typedef const DWORD* StateTokens;

const DWORD StateTokenColourStage = 1;
const DWORD StateTokenAlphaStage = 2;
const DWORD StateTokenPixelShaderStop = 3;
const DWORD StateTokenEnd = 0xFFFFFFFF;

// The lowest pixel-shader version (ps.1.0) at which the stop marker ends a
// table, compared as unsigned.
const DWORD PixelShaderVersion10 = 0xFFFF0100;

// Issues the table's states on device (normally between BeginStateBlock and
// EndStateBlock): SetTextureStageState for stage records (not traced),
// SetRenderState for pairs (each traced). pixelShaders says whether the stop
// marker ends the table.
void RecordStateTokens(IDirect3DDevice8* device, StateTokens tokens, bool pixelShaders);

// Whether the application's device runs pixel shaders (version 1.0 or higher).
bool DeviceHasPixelShaders();
