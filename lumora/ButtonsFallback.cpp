// Until the image buttons exist, the "IMAGEBUTTON" class behaves as a plain window.
#include "lumora/Lumora.h"

__attribute__((weak)) LRESULT HOVERBUTTONHANDLER(HWND WND, UINT IMSG, WPARAM WPARAM_, LPARAM LPARAM_) {
    return DefWindowProcA(WND, IMSG, WPARAM_, LPARAM_);
}
