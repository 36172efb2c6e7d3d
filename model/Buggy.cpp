// The buggy's body: mesh emission, the three body display lists with their textures and
// texture placements, and the draw procedures.
#include "model/Buggy.h"

LONGWORD BUGGYL = 0;
LONGWORD BUGGYM1 = 0;
LONGWORD BUGGYM2 = 0;

void EMITMESH(const TMESHPART& PART) {
    const TMESHCORNER* c = PART.CORNERS;
    for (int t = 0; t < PART.TRIANGLES; ++t) {
        glBegin(GL_TRIANGLES);
        for (int k = 0; k < 3; ++k, ++c) {
            INVERTNORMAL3F(c->NX, c->NY, c->NZ);
            glVertex3f(c->X, c->Y, c->Z);
        }
        glEnd();
    }
}

void BUGGYCORPOSUP() { EMITMESH(BUGGYBODYPARTS[CORPOSUP]); }
void BUGGYCORPOINF() { EMITMESH(BUGGYBODYPARTS[CORPOINF]); }
void BUGGYCRUSCOTTO() { EMITMESH(BUGGYBODYPARTS[CRUSCOTTO]); }
void BUGGYASSIRUOTE() { EMITMESH(BUGGYBODYPARTS[ASSIRUOTE]); }
void BUGGYMOTORE() { EMITMESH(BUGGYBODYPARTS[MOTORE]); }
void BUGGYTUBI() { EMITMESH(BUGGYBODYPARTS[TUBI]); }
void BUGGYVETRO() { EMITMESH(BUGGYBODYPARTS[VETRO]); }
void BUGGYFANALESIN() { EMITMESH(BUGGYBODYPARTS[FANALESIN]); }
void BUGGYVETROFANALESIN() { EMITMESH(BUGGYBODYPARTS[VETROFANALESIN]); }
void BUGGYFANALEDES() { EMITMESH(BUGGYBODYPARTS[FANALEDES]); }
void BUGGYVETROFANALEDES() { EMITMESH(BUGGYBODYPARTS[VETROFANALEDES]); }
void BUGGYSEDILESIN() { EMITMESH(BUGGYBODYPARTS[SEDILESIN]); }
void BUGGYSEDILEDES() { EMITMESH(BUGGYBODYPARTS[SEDILEDES]); }
void BUGGYRINFORZO() { EMITMESH(BUGGYBODYPARTS[RINFORZO]); }
void BUGGYPARAURTI() { EMITMESH(BUGGYBODYPARTS[PARAURTI]); }

namespace {

// One texture placement: s = A + P*x, t = B + Q*y, or, rotated, s = A - P*y, t = B + Q*x.
struct TPLACEMENT {
    SINGLE A, B, P, Q;
    bool ROTATED;
};

constexpr TPLACEMENT P1 = {0.6f, 0.75f, 0.3f / 43.0f, 0.28f / 43.0f, false};
constexpr TPLACEMENT P2 = {0.9f, 1.38f, 0.1f / 43.0f, 0.16f / 43.0f, false};
constexpr TPLACEMENT P3 = {0.2f, 0.344f, 0.0088f, 0.03f, true};
constexpr TPLACEMENT P4 = {0.6f, 0.75f, 0.1f, 0.1f, false};
constexpr TPLACEMENT P5 = {0.8f, -0.448f, 0.011f, 0.03f, true};
constexpr TPLACEMENT P6 = {0.8f, -0.2f, 0.0308f, 0.084f, true};
constexpr TPLACEMENT P7 = {0.8f, -0.2f, 0.132f, 0.36f, true};
constexpr TPLACEMENT P8 = {1.6f, 0.8f, 0.002f, 0.002f, true};

// Draws the given parts under the placement's texture matrix, then restores it.
template <typename... PARTS>
void PLACED(const TPLACEMENT& PL, PARTS... DRAW) {
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glTranslatef(PL.A, PL.B, 0);
    glScalef(PL.P, PL.Q, 0);
    if (PL.ROTATED) glRotatef(90, 0, 0, 1);
    (DRAW(), ...);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

}  // namespace

void BUGGYTEXTURED(TTEXTUREFILE TEXTURE) {
    TEXTUREAUTOMAPON();
    TEXTURE("buggy.bmp");
    PLACED(P1, BUGGYCORPOSUP);
    PLACED(P2, BUGGYCORPOINF);
    PLACED(P3, BUGGYCRUSCOTTO);
    TEXTURE("Metal1-00.bmp");
    PLACED(P4, BUGGYASSIRUOTE, BUGGYTUBI, BUGGYVETRO, BUGGYRINFORZO, BUGGYPARAURTI);
    TEXTURE("buggy.bmp");
    PLACED(P5, BUGGYMOTORE);
    TEXTURE("giger.bmp");
    PLACED(P6, BUGGYMOTORE);
    TEXTURE("water3.bmp");
    PLACED(P7, BUGGYSEDILESIN);
    PLACED(P7, BUGGYSEDILEDES);
    TEXTURE("buggy.bmp");
    PLACED(P8, BUGGYFANALESIN, BUGGYFANALEDES);
    // The glasses take s = x, t = y through the texture matrix in force when the list runs.
    glPushMatrix();
    BUGGYVETROFANALESIN();
    BUGGYVETROFANALEDES();
    glPopMatrix();
    TEXTUREAUTOMAPOFF();
}

void BUGGY_() {
    BUGGYL = glGenLists(1);
    glNewList(BUGGYL, GL_COMPILE);
    BUGGYTEXTURED(TEXTURELOAD);
    glEndList();

    BUGGYM1 = glGenLists(1);
    glNewList(BUGGYM1, GL_COMPILE);
    BUGGYASSIRUOTE();
    BUGGYMOTORE();
    BUGGYTUBI();
    BUGGYVETRO();
    BUGGYVETROFANALESIN();
    BUGGYVETROFANALEDES();
    BUGGYRINFORZO();
    BUGGYPARAURTI();
    glEndList();

    BUGGYM2 = glGenLists(1);
    glNewList(BUGGYM2, GL_COMPILE);
    BUGGYCORPOSUP();
    BUGGYFANALESIN();
    BUGGYFANALEDES();
    glEndList();
}

void DRAWLIST(LONGWORD LIST) {
    glPushMatrix();
    glScalef(0.25f, 0.25f, 0.25f);
    glRotatef(-90, 1, 0, 0);
    glCallList(LIST);
    glPopMatrix();
}

void BUGGY() { DRAWLIST(BUGGYL); }
void BUGGYMASK() { DRAWLIST(BUGGYM1); }
void BUGGYMASK2() { DRAWLIST(BUGGYM2); }
