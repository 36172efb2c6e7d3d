// One frame of the viewer: projection reset, scene placement, light and material, the
// mouse-driven model transform, the textured body, four nested reflection passes over parts
// of it, the four textured wheels and one reflection pass over their rims.
#include "app/Viewer.h"

#include "lumora/Lumora.h"
#include "model/Buggy.h"
#include "model/BuggyRuota.h"

namespace {

struct WheelPlacement {
    SINGLE X, Y, Z, RX, RY, RZ;
};

// Rear right, front right, rear left, front left; the left wheels turned to face outwards.
constexpr WheelPlacement WHEELS[4] = {
    {-14, -3.5f, 8.5f, 0, 0, 0},
    {8, -3.5f, 8.5f, 0, 0, 0},
    {-14, -3.5f, -8.5f, 0, 180, 0},
    {8, -3.5f, -8.5f, 0, 180, 0},
};

// The 2D step: an orthographic view, a zero translation, then the perspective view again.
void OPENGL_DRAW2D() {
    OPENGL_I2D(0.0, 0.0, 0.0, 0.0);
    SETPOSXY(0, 0);
    OPENGL_INIT(100.0, 0.0, SKYR, SKYG, SKYB);
}

void OPENGL_MOUSE2D() {}
void OPENGL_KEYBOARD() {}

}  // namespace

void OPENGL_DRAW() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    OPENGL_DRAW2D();
    OPENGL_MOUSE2D();
    OPENGL_KEYBOARD();

    glTranslatef(0, -8, -80);
    PUTGLPOINTLIGHT(GL_LIGHT0, 5, 0, 124, 0, 0.1f);
    SETGLNEWMAT(0.85f, 0.85f, 0.85f, 0, 0, 0, 0.425f, 0.425f, 0.425f, 0, 0, 0, 50);
    glPushMatrix();
    SETGLMOUSEMOVE(GL_M0, 2);
    BUGGY();

    // Four nested reflection passes: metal and glass get 1-3, upper body and headlights 3-4.
    TEXTURETGASELECTID(0);
    FX_REFRACTBEGIN();
    BUGGYMASK();
    TEXTURETGASELECTID(1);
    FX_REFRACTBEGIN();
    BUGGYMASK();
    TEXTURETGASELECTID(2);
    FX_REFRACTBEGIN();
    BUGGYMASK();
    BUGGYMASK2();
    TEXTURETGASELECTID(3);
    FX_REFRACTBEGIN();
    BUGGYMASK2();
    for (int pass = 0; pass < 4; ++pass) FX_REFRACTEND();

    for (const WheelPlacement& w : WHEELS) RUOTA(w.X, w.Y, w.Z, w.RX, w.RY, w.RZ);
    TEXTURETGASELECTID(3);
    FX_REFRACTBEGIN();
    for (const WheelPlacement& w : WHEELS) RUOTA2(w.X, w.Y, w.Z, w.RX, w.RY, w.RZ);
    FX_REFRACTEND();
    glPopMatrix();
}
