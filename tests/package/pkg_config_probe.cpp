// A program of someone else's, built by the package test with nothing but
// `pkg-config --cflags --libs lumora`: it opens a Lumora window with a GL context, pumps its
// messages for a few frames, then presses Escape through its own queue, which Lumora's window
// procedure answers by ending the run. It prints what it got and how the run ended.
#include <cstdio>

#include <lumora/Lumora.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int SHOWCOMMAND) {
    CMDSHOW = SHOWCOMMAND;
    if (!CREATEOGLWINDOW("Lumora - pkg-config", 320, 240, 32, false)) {
        std::printf("no window\n");
        return 0;
    }
    const GLubyte* VERSION = glGetString(GL_VERSION);
    std::printf("window %s, GL %s\n", IsWindowVisible(HWINDOW) ? "shown" : "hidden",
                VERSION ? reinterpret_cast<const char*>(VERSION) : "none");
    int FRAMES = 0;
    do {
        SETGLMSG();
        glClearColor(0.2f, 0.4f, 0.6f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        SwapBuffers(DCWINDOW);
        if (++FRAMES == 10) PostMessageA(HWINDOW, WM_KEYDOWN, VK_ESCAPE, 0);
    } while (ACTIVE && FRAMES < 500);
    std::printf("%s after %d frames\n", ACTIVE ? "still running" : "ended by Escape", FRAMES);
    DELETEOGLWINDOW();
    return 0;
}
