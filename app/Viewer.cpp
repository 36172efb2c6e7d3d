// The viewer's entry sequence and frame loop.
#include "app/Viewer.h"

#include "lumora/Lumora.h"
#include "model/Buggy.h"
#include "model/BuggyRuota.h"

namespace {

constexpr const char* QUESTION_TEXT = "Settare lo schermo intero?  ";
constexpr const char* QUESTION_CAPTION = "Video!";
constexpr const char* WINDOW_TITLE = "Esempio di TextureAutoMap e FX_Refract";

// The four reflection maps of the overlay passes; the same file fills slots 0 and 1.
void OPENGL_TEXTURE() {
    TEXTURELOADTGAID("riflesso.tga", 0);
    TEXTURELOADTGAID("riflesso.tga", 1);
    TEXTURELOADTGAID("sun.tga", 2);
    TEXTURELOADTGAID("riflesso2.tga", 3);
}

}  // namespace

void OPENGL_CREATELIST() {
    OPENGL_TEXTURE();
    BUGGY_();
    BUGGYRUOTA_();
}

int VIEWER_MAIN() {
    FULLSCREEN = MessageBoxA(nullptr, QUESTION_TEXT, QUESTION_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDNO;
    OGLWINDOWSETTING(ARROW, const_cast<PCHAR>(""), GENERIC, const_cast<PCHAR>(""));
    CREATEOGLWINDOW(WINDOW_TITLE, 800, 600, 32, FULLSCREEN);
    OPENGL_INIT(100.0, 0.0, SKYR, SKYG, SKYB);
    SETGLREFRACTIVE();
    SETGLLIGHT(GL_LIGHT0, 0.0f, 0.0f, 0.0f, 0.1f);
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
