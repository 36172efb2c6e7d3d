// The wheel: tyre and rim emission, the two wheel display lists and the wheel placements.
#include "model/BuggyRuota.h"

LONGWORD BUGGYRUOTAL = 0;
LONGWORD BUGGYRUOTALL = 0;

void BUGGYPNEUMATICO() { EMITMESH(BUGGYWHEELPARTS[PNEUMATICO]); }
void BUGGYCERCHIONE() { EMITMESH(BUGGYWHEELPARTS[CERCHIONE]); }

namespace {

void LOADTGAFILE(const char* FILE) { TEXTURELOADTGA(FILE); }

}  // namespace

void BUGGYRUOTATEXTURED(TTEXTUREFILE BMP, TTEXTUREFILE TGA) {
    TEXTUREAUTOMAPON();
    BMP("Metal1-00.bmp");
    // Rim: s = 1.0 - 0.2 y, t = 0.5 + 0.02 x.
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glTranslatef(1.0f, 0.5f, 0);
    glScalef(0.2f, 0.02f, 0);
    glRotatef(90, 0, 0, 1);
    BUGGYCERCHIONE();
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    TGA("pneumatico.tga");
    // Tyre: s = -0.25 y, t = 0.25 x, the tread projected along the wheel's z axis.
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glScalef(0.25f, 0.25f, 0);
    glRotatef(90, 0, 0, 1);
    BUGGYPNEUMATICO();
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    TEXTUREAUTOMAPOFF();
}

void BUGGYRUOTA_() {
    BUGGYRUOTAL = glGenLists(1);
    glNewList(BUGGYRUOTAL, GL_COMPILE);
    BUGGYRUOTATEXTURED(TEXTURELOAD, LOADTGAFILE);
    glEndList();

    BUGGYRUOTALL = glGenLists(1);
    glNewList(BUGGYRUOTALL, GL_COMPILE);
    BUGGYCERCHIONE();
    glEndList();
}

namespace {

void PLACEWHEEL(SINGLE X, SINGLE Y, SINGLE Z, SINGLE RX, SINGLE RY, SINGLE RZ, void (*DRAW)()) {
    glPushMatrix();
    glTranslatef(X, Y, Z);
    glRotatef(RX, 1, 0, 0);
    glRotatef(RY, 0, 1, 0);
    glRotatef(RZ, 0, 0, 1);
    DRAW();
    glPopMatrix();
}

}  // namespace

void BUGGYRUOTA() { DRAWLIST(BUGGYRUOTAL); }
void BUGGYRUOTAMASK() { DRAWLIST(BUGGYRUOTALL); }

void RUOTA(SINGLE X, SINGLE Y, SINGLE Z, SINGLE RX, SINGLE RY, SINGLE RZ) {
    PLACEWHEEL(X, Y, Z, RX, RY, RZ, BUGGYRUOTA);
}

void RUOTA2(SINGLE X, SINGLE Y, SINGLE Z, SINGLE RX, SINGLE RY, SINGLE RZ) {
    PLACEWHEEL(X, Y, Z, RX, RY, RZ, BUGGYRUOTAMASK);
}
