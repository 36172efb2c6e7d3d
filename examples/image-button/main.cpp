// A shaped image button over a GL scene. The button is Lumora's IMAGEBUTTON child window: its
// pictures are stellaN.BMP, stellaH.BMP and stellaP.BMP (normal, under the mouse, pressed),
// its shape is the region BITMAPTOREGION makes of the normal picture (the magenta around the
// star is outside it), and its window procedure, HOVERBUTTONHANDLER, sends the parent a
// WM_COMMAND when it is clicked. Each click turns the sky of the scene. The pictures are read
// from the working directory (the viewer's data folder, share/buggy of the installed tree, holds
// them). Escape or closing the window ends it.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

#include <lumora/Lumora.h>

namespace {

constexpr int ID_STAR = 101;
constexpr GLfloat SKIES[3][3] = {{0.45f, 0.65f, 0.90f}, {0.95f, 0.55f, 0.30f}, {0.08f, 0.08f, 0.25f}};
int SKY = 0;

// The main window's WM_COMMAND, handed on by GLWNDPROC because SHOWMENUBAR is set.
LRESULT ONCOMMAND(HWND, UINT, WPARAM W, LPARAM) {
    if (LOWORD(W) == ID_STAR) SKY = (SKY + 1) % 3;
    return 0;
}

void DRAWSCENE() {
    RECT CLIENT{};
    GetClientRect(HWINDOW, &CLIENT);
    glViewport(0, 0, CLIENT.right, CLIENT.bottom);
    glClearColor(SKIES[SKY][0], SKIES[SKY][1], SKIES[SKY][2], 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 4, 0, 3, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);  // a green hill, lighter at the top
    glColor3f(0.15f, 0.40f, 0.12f);
    glVertex2f(0, 0);
    glVertex2f(4, 0);
    glColor3f(0.40f, 0.75f, 0.25f);
    glVertex2f(4, 1.2f);
    glVertex2f(0, 0.8f);
    glEnd();
    glBegin(GL_TRIANGLE_FAN);  // the sun
    glColor3f(1.0f, 0.95f, 0.6f);
    glVertex2f(3.0f, 2.2f);
    glColor3f(1.0f, 0.75f, 0.1f);
    for (int I = 0; I <= 32; ++I) glVertex2f(3.0f + 0.3f * std::cos(I * 0.19635f), 2.2f + 0.3f * std::sin(I * 0.19635f));
    glEnd();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int SHOWCOMMAND) {
    CMDSHOW = SHOWCOMMAND;
    SHOWMENUBAR = true;  // lets GLWNDPROC hand WM_COMMAND to GETINPUTCOMMAND
    GETINPUTCOMMAND = ONCOMMAND;
    CREATEOGLWINDOW("Lumora - image button", 640, 480, 32, false);

    BMPTYPE = "stella";  // the button's pictures, read while it is created
    CreateWindowExA(0, "IMAGEBUTTON", "stella", WS_CHILD | WS_VISIBLE, 24, 24, 96, 96, HWINDOW,
                    reinterpret_cast<HMENU>(intptr_t(ID_STAR)), GetModuleHandleA(nullptr), nullptr);
    BMPTYPE.clear();

    do {
        // Every waiting message, so that the button follows the mouse without lag.
        MSG WAITING;
        while (ACTIVE && PeekMessageA(&WAITING, nullptr, 0, 0, PM_NOREMOVE)) SETGLMSG();
        if (!ACTIVE) break;
        DRAWSCENE();
        SwapBuffers(DCWINDOW);
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    } while (ACTIVE);
    DELETEOGLWINDOW();
    return 0;
}
