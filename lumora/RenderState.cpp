// GL render state: projection and the fixed render defaults, lights, materials and normals,
// object-linear texture coordinates, sprites and the reflection overlay pass.
// Every procedure issues a fixed list of GL calls in a fixed order; the display lists of the
// model record some of them, so the order and the argument types are part of the contract.
// Texture-environment and texture-generation values go through the float entry points
// (glTexEnvf, glTexGenf) with the enumerant converted to a float.
//
// The mouse-driven model rotation lives here too: drags accumulate angles and a distance
// that SETGLMOUSEMOVE turns into the model transform.
#include "lumora/Lumora.h"

#include <cstdint>

// ---------------------------------------------------------------------------------------
// Light colours and the last light position
// ---------------------------------------------------------------------------------------
const GLfloat AMBIENTLIGHT[4] = {0.5f, 0.5f, 0.5f, 1.0f};
const GLfloat DIFFUSELIGHT[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat SPECULARLIGHT[4] = {1.0f, 1.0f, 1.0f, 1.0f};
GLfloat LIGHTPOSITION[4] = {0.0f, 0.0f, 0.0f, 0.0f};

namespace {

inline GLfloat enum_as_float(GLenum value) { return static_cast<GLfloat>(value); }

// Shared by both projection procedures: clear colour, full-window viewport, fresh projection.
void begin_projection(REAL A, REAL R, REAL G, REAL B) {
    glClearColor(static_cast<GLfloat>(R), static_cast<GLfloat>(G), static_cast<GLfloat>(B),
                 static_cast<GLfloat>(A));
    glViewport(0, 0, WIDTH, HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Projection setup
// ---------------------------------------------------------------------------------------
void OPENGL_INIT(REAL DEPTH, REAL A, REAL R, REAL G, REAL B) {
    begin_projection(A, R, G, B);
    gluPerspective(45.0, static_cast<REAL>(WIDTH) / static_cast<REAL>(HEIGHT), 0.1, DEPTH);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearDepth(DEPTH);  // GL clamps to 0..1
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_AUTO_NORMAL);
    glEnable(GL_NORMALIZE);
}

void OPENGL_I2D(REAL A, REAL R, REAL G, REAL B) {
    begin_projection(A, R, G, B);
    // 2*HEIGHT is an integer product; only the division by WIDTH is floating point.
    const int64_t top = 2 * static_cast<int64_t>(HEIGHT);
    const int64_t bottom = -2 * static_cast<int64_t>(HEIGHT);
    glOrtho(-2.0, 2.0, static_cast<REAL>(bottom) / static_cast<REAL>(WIDTH),
            static_cast<REAL>(top) / static_cast<REAL>(WIDTH), -2.0, 2.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_NORMALIZE);
}

void SETPOSXY(SINGLE X, SINGLE Y) { glTranslatef(-X / 200.0f, Y / 200.0f, 0.0f); }

// ---------------------------------------------------------------------------------------
// Lights, materials and normals
// ---------------------------------------------------------------------------------------
void SETGLLIGHT(GLenum NLIGHT, SINGLE L0, SINGLE L1, SINGLE L2, SINGLE L3) {
    glEnable(GL_LIGHTING);
    glLightfv(NLIGHT, GL_AMBIENT, AMBIENTLIGHT);
    glLightfv(NLIGHT, GL_DIFFUSE, DIFFUSELIGHT);
    glLightfv(NLIGHT, GL_SPECULAR, SPECULARLIGHT);
    glEnable(NLIGHT);
    LIGHTPOSITION[0] = L0;
    LIGHTPOSITION[1] = L1;
    LIGHTPOSITION[2] = L2;
    LIGHTPOSITION[3] = L3;
    glLightfv(NLIGHT, GL_POSITION, LIGHTPOSITION);
}

void PUTGLPOINTLIGHT(GLenum NLIGHT, SINGLE SIZE_, SINGLE LX, SINGLE LY, SINGLE LZ, SINGLE LVAL) {
    LIGHTPOSITION[0] = LX;
    LIGHTPOSITION[1] = LY;
    LIGHTPOSITION[2] = LZ;
    LIGHTPOSITION[3] = LVAL;
    glLightfv(NLIGHT, GL_POSITION, LIGHTPOSITION);
    glPointSize(SIZE_);
    glBegin(GL_POINTS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glVertex3f(LX, LY, LZ);
    glEnd();
}

void SETGLNEWMAT(SINGLE AMBR, SINGLE AMBG, SINGLE AMBB, SINGLE DIFR, SINGLE DIFG, SINGLE DIFB, SINGLE SPECR,
                 SINGLE SPECG, SINGLE SPECB, SINGLE EMISR, SINGLE EMISG, SINGLE EMISB, SINGLE SHINE) {
    const GLfloat ambient[4] = {AMBR, AMBG, AMBB, 1.0f};
    const GLfloat diffuse[4] = {DIFR, DIFG, DIFB, 1.0f};
    const GLfloat specular[4] = {SPECR, SPECG, SPECB, 1.0f};
    const GLfloat emission[4] = {EMISR, EMISG, EMISB, 1.0f};
    const GLfloat shininess[4] = {SHINE, SHINE, SHINE, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glMaterialfv(GL_FRONT, GL_SHININESS, shininess);
}

void INVERTNORMAL3F(SINGLE X, SINGLE Y, SINGLE Z) { glNormal3f(-X, -Y, -Z); }

// ---------------------------------------------------------------------------------------
// Object-linear texture coordinates, culling, sprites
// ---------------------------------------------------------------------------------------
void TEXTUREAUTOMAPON() {
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glTexGenf(GL_S, GL_TEXTURE_GEN_MODE, enum_as_float(GL_OBJECT_LINEAR));
    glTexGenf(GL_T, GL_TEXTURE_GEN_MODE, enum_as_float(GL_OBJECT_LINEAR));
}

void TEXTUREAUTOMAPOFF() {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

void SETGLREFRACTIVE() {
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
}

void SETGLSPRITE(bool LIGHT) {
    if (LIGHT) glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
}

void SETGLSPRITEOFF() {
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
}

// ---------------------------------------------------------------------------------------
// The reflection overlay pass
// ---------------------------------------------------------------------------------------
void FX_REFRACTBEGIN() {
    glEnable(GL_BLEND);
    SETGLSPRITE(false);
    // Framebuffer = 2 * source * destination: 0.5 keeps, darker darkens, brighter brightens.
    glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
    // An OpenGL without the combiner rejects GL_COMBINE and is left in GL_REPLACE.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, enum_as_float(GL_MODULATE));
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, enum_as_float(GL_REPLACE));
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, enum_as_float(GL_COMBINE));
    // colour = (1 - lit colour) + (1 - texel) - 0.5, clamped
    glTexEnvf(GL_TEXTURE_ENV, GL_COMBINE_RGB, enum_as_float(GL_ADD_SIGNED));
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE0_RGB, enum_as_float(GL_PRIMARY_COLOR));
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE1_RGB, enum_as_float(GL_TEXTURE));
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND0_RGB, enum_as_float(GL_ONE_MINUS_SRC_COLOR));
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND1_RGB, enum_as_float(GL_ONE_MINUS_SRC_COLOR));
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_GEN_R);
    glTexGenf(GL_S, GL_TEXTURE_GEN_MODE, enum_as_float(GL_REFLECTION_MAP));
    glTexGenf(GL_T, GL_TEXTURE_GEN_MODE, enum_as_float(GL_REFLECTION_MAP));
    glTexGenf(GL_R, GL_TEXTURE_GEN_MODE, enum_as_float(GL_REFLECTION_MAP));
    glTexGenf(GL_S, GL_TEXTURE_GEN_MODE, enum_as_float(GL_SPHERE_MAP));
    glTexGenf(GL_T, GL_TEXTURE_GEN_MODE, enum_as_float(GL_SPHERE_MAP));
    glPushMatrix();
}

void FX_REFRACTEND() {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    SETGLSPRITEOFF();
    glDisable(GL_BLEND);
    glPopMatrix();
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, enum_as_float(GL_MODULATE));
}

// ---------------------------------------------------------------------------------------
// Mouse-driven model rotation: drags (or, in free-mouse mode, the cursor's offset from the
// screen centre) accumulate two angles and a distance; SETGLMOUSEMOVE applies them.
// ---------------------------------------------------------------------------------------
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
