// The viewer's entry sequence and frame loop.
#include "app/Viewer.h"

#include "lumora/Lumora.h"

namespace {

constexpr const char* QUESTION_TEXT = "Settare lo schermo intero?  ";
constexpr const char* QUESTION_CAPTION = "Video!";
constexpr const char* WINDOW_TITLE = "Esempio di TextureAutoMap e FX_Refract";

}  // namespace

void OPENGL_CREATELIST() {}

int VIEWER_MAIN() {
    FULLSCREEN = MessageBoxA(nullptr, QUESTION_TEXT, QUESTION_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDNO;
    OGLWINDOWSETTING(ARROW, const_cast<PCHAR>(""), GENERIC, const_cast<PCHAR>(""));
    CREATEOGLWINDOW(WINDOW_TITLE, 800, 600, 32, FULLSCREEN);
    OPENGL_CREATELIST();
    do {
        glClear(GL_COLOR_BUFFER_BIT);
        SETGLMSG();
        OPENGL_DRAW();
        SwapBuffers(DCWINDOW);
    } while (ACTIVE);
    DELETEOGLWINDOW();
    return 0;
}
