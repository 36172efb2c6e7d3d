// A lit, textured cube spinning in a Lumora window, with one reflection pass over it. It reads
// Metal1-00.bmp and riflesso.tga from the working directory (the viewer's data folder, share/buggy
// of the installed tree, holds both). Escape or closing the window ends it.
#include <chrono>
#include <thread>

#include <lumora/Lumora.h>

namespace {

// The six faces: outward normal, then the four corners counter-clockwise seen from outside.
constexpr GLfloat FACES[6][5][3] = {
    {{0, 0, 1}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},
    {{0, 0, -1}, {1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}},
    {{1, 0, 0}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}, {1, 1, 1}},
    {{-1, 0, 0}, {-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}},
    {{0, 1, 0}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}},
    {{0, -1, 0}, {-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}},
};

void CUBE() {
    glBegin(GL_QUADS);
    for (const auto& FACE : FACES) {
        glNormal3fv(FACE[0]);
        for (int I = 1; I <= 4; ++I) glVertex3fv(FACE[I]);
    }
    glEnd();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int SHOWCOMMAND) {
    CMDSHOW = SHOWCOMMAND;
    OGLWINDOWSETTING(ARROW, const_cast<PCHAR>(""), GENERIC, const_cast<PCHAR>(""));
    CREATEOGLWINDOW("Lumora - spinning shape", 640, 480, 32, false);
    OPENGL_INIT(100.0, 0.0, 0.15, 0.2, 0.3);
    SETGLREFRACTIVE();  // back faces culled
    SETGLLIGHT(GL_LIGHT0, 3.0f, 4.0f, 2.0f, 1.0f);  // a point light above, right and in front
    TEXTURELOAD("Metal1-00.bmp");  // the cube's own texture, bound and enabled
    const LONGWORD METAL = TEXTUREID;
    TEXTURELOADTGAID("riflesso.tga", 0);  // the reflection map

    const DWORD START_ = GetTickCount();
    do {
        SETGLMSG();
        const float ANGLE = float(GetTickCount() - START_) * 0.06f;  // degrees, 60 a second

        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0, 0, -6);
        SETGLNEWMAT(0.3f, 0.3f, 0.3f, 0.8f, 0.75f, 0.7f, 0.6f, 0.6f, 0.6f, 0, 0, 0, 40);
        glRotatef(ANGLE, 0.4f, 1, 0.2f);

        glBindTexture(GL_TEXTURE_2D, METAL);
        TEXTUREAUTOMAPON();  // texture coordinates from the cube's own coordinates
        CUBE();
        TEXTUREAUTOMAPOFF();

        TEXTURETGASELECTID(0);  // the same cube again, blended with its sphere-mapped reflection
        FX_REFRACTBEGIN();
        CUBE();
        FX_REFRACTEND();

        SwapBuffers(DCWINDOW);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (ACTIVE);
    DELETEOGLWINDOW();
    return 0;
}
