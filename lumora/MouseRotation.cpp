// Mouse-driven model rotation: drags (or, in free-mouse mode, the cursor's offset from the
// screen centre) accumulate two angles and a distance; SETGLMOUSEMOVE applies them.
#include "lumora/Lumora.h"

SINGLE XROT = 0, YROT = 0, XROT2 = 0, YROT2 = 0;
SINGLE DEPTH = 0, DEPTH2 = 0;
POINT MPOS{};
LONGINT MSPEED = 0;
TVERTEX MY{};

namespace {

// value + (difference / divisor) * MSPEED, worked in double and stored as a single.
SINGLE accumulate(SINGLE value, LONGINT difference, double divisor, int sign = 1) {
    return static_cast<SINGLE>(static_cast<double>(value) + sign * (difference / divisor) * MSPEED);
}

SINGLE clamp60(SINGLE angle) {
    if (angle > 60.0f) angle = 60.0f;
    if (angle < -60.0f) angle = -60.0f;
    return angle;
}

}  // namespace

void GLMOUSEUPDATE(LONGINT X, LONGINT Y) {
    if (LEFTMOUSEDOWN) {
        const LONGINT dy = Y - YCOORD;
        const LONGINT dx = X - XCOORD;
        XROT = accumulate(XROT, dy, 2.0);
        YROT = accumulate(YROT, dx, 2.0);
        XROT2 = accumulate(XROT2, dy, 2.0);
        YROT2 = accumulate(YROT2, dx, 2.0);
        XCOORD = X;
        YCOORD = Y;
    }
    if (RIGHTMOUSEDOWN && !MOUSEFREE) {
        const LONGINT dz = Y - ZCOORD;
        DEPTH = accumulate(DEPTH, dz, 10.0, -1);
        DEPTH2 = accumulate(DEPTH2, dz, 10.0, -1);
        ZCOORD = Y;
    }
    if (MOUSEFREE && GetForegroundWindow() == HWINDOW) {
        GetCursorPos(&MPOS);
        const LONGINT centre_x = WIDTH / 2;
        const LONGINT centre_y = HEIGHT / 2;
        SetCursorPos(centre_x, centre_y);
        XROT = accumulate(XROT, MPOS.x - centre_x, 100.0);
        YROT = clamp60(accumulate(YROT, centre_y - MPOS.y, 100.0, -1));
        XROT2 = accumulate(XROT2, MPOS.x - centre_x, 100.0);
        YROT2 = clamp60(accumulate(YROT2, centre_y - MPOS.y, 100.0, -1));
    }
}

void SETGLMOUSEMOVE(LONGINT XYZ, LONGINT SPEED) {
    MSPEED = SPEED;
    const SINGLE d = DEPTH;
    switch (XYZ) {
    case GL_M0:
        MY = {0, 0, -d};
        glTranslatef(MY.X, MY.Y, MY.Z);
        glRotatef(XROT, 1, 0, 0);
        glRotatef(YROT, 0, 1, 0);
        break;
    case GL_MX:
        MY = {0, -d, 0};
        glTranslatef(MY.X, MY.Y, MY.Z);
        glRotatef(XROT, 1, 0, 0);
        glRotatef(YROT, 0, 0, 1);
        break;
    case GL_MY:
        MY = {-d, 0, 0};
        glTranslatef(MY.X, MY.Y, MY.Z);
        glRotatef(XROT, 0, 0, -1);
        glRotatef(YROT, 0, 1, 0);
        break;
    case GL_MZ:
        MY = {0, 0, -d};
        glTranslatef(MY.X, MY.Y, MY.Z);
        glRotatef(XROT, 0, 1, 0);
        glRotatef(YROT, 1, 0, 0);
        break;
    default:
        break;
    }
}
