// The buggy viewer on the desktop, a Win32 GUI program. It reads its image files from the
// working directory and shows its window with the show command it was started with.
#include "app/Viewer.h"
#include "lumora/Lumora.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int SHOWCOMMAND) {
    CMDSHOW = SHOWCOMMAND;
    return VIEWER_MAIN();
}
