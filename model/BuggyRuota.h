// The wheel: tyre and rim meshes, the two wheel display lists and the wheel placements.
#pragma once

#include "lumora/Lumora.h"
#include "model/Buggy.h"
#include "model/BuggyMesh.h"

extern LONGWORD BUGGYRUOTAL;   // textured wheel: rim and tyre
extern LONGWORD BUGGYRUOTALL;  // bare rim for the reflection pass

void BUGGYPNEUMATICO();
void BUGGYCERCHIONE();

// The textured wheel as BUGGYRUOTAL holds it: the rim after its bitmap texture, the tyre
// after its TGA texture, each under its texture placement.
void BUGGYRUOTATEXTURED(TTEXTUREFILE BMP, TTEXTUREFILE TGA);

// Compiles BUGGYRUOTAL and BUGGYRUOTALL; called once, right after BUGGY_.
void BUGGYRUOTA_();

// Draw one of the lists scaled by 0.25 and turned -90 degrees about x: the wheel's axis
// becomes the caller's z axis, the outer face at +0.875, the inner face at -2.125.
void BUGGYRUOTA();
void BUGGYRUOTAMASK();

// Place one wheel at (X, Y, Z), turned RZ about z, then RY about y, then RX about x (degrees).
void RUOTA(SINGLE X, SINGLE Y, SINGLE Z, SINGLE RX, SINGLE RY, SINGLE RZ);
void RUOTA2(SINGLE X, SINGLE Y, SINGLE Z, SINGLE RX, SINGLE RY, SINGLE RZ);
