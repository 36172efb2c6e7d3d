// A small program on Lumora's shaped image buttons: a GL window with a turning star and
// three buttons made from the "stella", "goccia" and "freccia" pictures. The star button
// changes the background colour, the drop button stops and restarts the turning, the arrow
// button switches between filled and wireframe drawing. Escape or closing the window ends
// the program with exit code 0.
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "lumora/Lumora.h"

namespace {

constexpr int ID_STELLA = 101;
constexpr int ID_GOCCIA = 102;
constexpr int ID_FRECCIA = 103;

constexpr GLfloat BACKGROUNDS[4][3] = {
    {0.10f, 0.12f, 0.30f},  // night blue
    {0.55f, 0.10f, 0.10f},  // brick red
    {0.10f, 0.45f, 0.15f},  // leaf green
    {0.55f, 0.45f, 0.05f},  // ochre
};

int BACKGROUND = 0;
bool SPINNING = true;
bool WIREFRAME = false;
float ANGLE = 0;

LRESULT ONCOMMAND(HWND, UINT, WPARAM W, LPARAM) {
    switch (LOWORD(W)) {
    case ID_STELLA:
        BACKGROUND = (BACKGROUND + 1) % 4;
        break;
    case ID_GOCCIA:
        SPINNING = !SPINNING;
        break;
    case ID_FRECCIA:
        WIREFRAME = !WIREFRAME;
        break;
    }
    return 0;
}

// The pictures lie beside the program; run from elsewhere, it looks for them there.
void FINDPICTURES() {
    std::error_code ERROR_;
    if (std::filesystem::exists("stellaN.BMP", ERROR_)) return;
    char PATH[4096];
    const DWORD N = GetModuleFileNameA(nullptr, PATH, sizeof(PATH));
    if (N == 0 || N >= sizeof(PATH)) return;
    std::filesystem::current_path(std::filesystem::path(std::string(PATH, N)).parent_path(), ERROR_);
}

HWND MAKEBUTTON(const char* PREFIX, int ID, int X, int Y) {
    BMPTYPE = PREFIX;  // read while the button is being created
    HWND BUTTON = CreateWindowExA(0, "IMAGEBUTTON", PREFIX, WS_CHILD | WS_VISIBLE, X, Y, 96, 96, HWINDOW,
                                  reinterpret_cast<HMENU>(intptr_t(ID)), GetModuleHandleA(nullptr), nullptr);
    BMPTYPE.clear();
    return BUTTON;
}

void DRAWSCENE(int CW, int CH) {
    const GLfloat* BG = BACKGROUNDS[BACKGROUND];
    glViewport(0, 0, CW, CH);
    glClearColor(BG[0], BG[1], BG[2], 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, CW, CH, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The star turns in the middle of the space right of the buttons.
    glTranslatef(160 + (CW - 160) / 2.0f, CH / 2.0f, 0);
    glRotatef(ANGLE, 0, 0, 1);
    glPolygonMode(GL_FRONT_AND_BACK, WIREFRAME ? GL_LINE : GL_FILL);
    glLineWidth(2);
    const float OUTER = 0.38f * float(CH < CW - 160 ? CH : CW - 160), INNER = OUTER * 0.45f;
    glBegin(GL_TRIANGLE_FAN);
    glColor3f(1.0f, 0.95f, 0.6f);
    glVertex2f(0, 0);
    for (int I = 0; I <= 10; ++I) {
        const float A = float(I) * 3.14159265f / 5.0f;
        const float R = (I % 2 == 0) ? OUTER : INNER;
        glColor3f(I % 2 == 0 ? 1.0f : 0.9f, I % 2 == 0 ? 0.75f : 0.4f, 0.1f);
        glVertex2f(R * std::sin(A), -R * std::cos(A));
    }
    glEnd();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int SHOWCOMMAND) {
    CMDSHOW = SHOWCOMMAND;
    FINDPICTURES();
    SHOWMENUBAR = true;  // lets the window procedure hand WM_COMMAND to GETINPUTCOMMAND
    GETINPUTCOMMAND = ONCOMMAND;
    CREATEOGLWINDOW("Lumora - bottoni sagomati", 800, 600, 32, false);
    MAKEBUTTON("stella", ID_STELLA, 24, 24);
    MAKEBUTTON("goccia", ID_GOCCIA, 24, 200);
    MAKEBUTTON("freccia", ID_FRECCIA, 24, 376);

    auto LAST = std::chrono::steady_clock::now();
    while (ACTIVE) {
        // One message a frame, as the viewer: waiting mouse moves are one move, so a sweep
        // over the buttons is worked off at once.
        SETGLMSG();
        if (!ACTIVE) break;
        const auto NOW = std::chrono::steady_clock::now();
        const float DT = std::chrono::duration<float>(NOW - LAST).count();
        LAST = NOW;
        if (SPINNING) ANGLE = std::fmod(ANGLE + 45.0f * DT, 360.0f);
        RECT CLIENT{};
        GetClientRect(HWINDOW, &CLIENT);
        DRAWSCENE(CLIENT.right - CLIENT.left, CLIENT.bottom - CLIENT.top);
        SwapBuffers(DCWINDOW);
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    DELETEOGLWINDOW();
    return 0;
}
