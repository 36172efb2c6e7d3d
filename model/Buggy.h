// The buggy's body: fifteen mesh procedures, the three body display lists and the
// procedures that draw them under the model transform.
#pragma once

#include "lumora/Lumora.h"
#include "model/BuggyMesh.h"

// Display-list names; zero until BUGGY_ has run.
extern LONGWORD BUGGYL;   // the fully textured body
extern LONGWORD BUGGYM1;  // metal parts and glass, untextured, for the reflection passes
extern LONGWORD BUGGYM2;  // upper body and headlights, untextured, for the reflection passes

// Emits one mesh table: one glBegin/glEnd per triangle, every normal through INVERTNORMAL3F.
void EMITMESH(const TMESHPART& PART);

void BUGGYCORPOSUP();
void BUGGYCORPOINF();
void BUGGYCRUSCOTTO();
void BUGGYASSIRUOTE();
void BUGGYMOTORE();
void BUGGYTUBI();
void BUGGYVETRO();
void BUGGYFANALESIN();
void BUGGYVETROFANALESIN();
void BUGGYFANALEDES();
void BUGGYVETROFANALEDES();
void BUGGYSEDILESIN();
void BUGGYSEDILEDES();
void BUGGYRINFORZO();
void BUGGYPARAURTI();

// Makes the texture of an image file current. While a list is being compiled, the loaders
// (TEXTURELOAD, TEXTURELOADTGA) record the image's upload in it.
typedef void (*TTEXTUREFILE)(const char* FILE);

// The textured body as BUGGYL holds it: every group of parts under its texture placement,
// after the texture it takes, named by its image file.
void BUGGYTEXTURED(TTEXTUREFILE TEXTURE);

// Compiles BUGGYL, BUGGYM1 and BUGGYM2 (in that order); needs a current GL context.
void BUGGY_();

// Calls a list scaled by 0.25 and turned -90 degrees about x: model units to scene units.
void DRAWLIST(LONGWORD LIST);

// Draw BUGGYL, BUGGYM1, BUGGYM2 scaled by 0.25 and turned -90 degrees about x.
void BUGGY();
void BUGGYMASK();
void BUGGYMASK2();
