// Pixel formats of window device contexts, and SwapBuffers.
//
// The hosts give every GL window the same buffers: double-buffered RGBA8 colour, depth 24,
// stencil 8. That is the one pixel format offered, so every request for a window picks it,
// whatever the request asks for (stereo, overlay planes, 32-bit depth...): the closest match.
#include <cstring>

#include "win32/host.h"
#include "win32/internal.h"
#include "win32/user_internal.h"

namespace {

constexpr int kFormatCount = 1;

PIXELFORMATDESCRIPTOR describe_format() {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cRedBits = 8;
    pfd.cRedShift = 16;
    pfd.cGreenBits = 8;
    pfd.cGreenShift = 8;
    pfd.cBlueBits = 8;
    pfd.cBlueShift = 0;
    pfd.cAlphaBits = 8;
    pfd.cAlphaShift = 24;
    pfd.cDepthBits = 24;
    pfd.cStencilBits = 8;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

// The live window a DC draws into, or nullptr (memory DCs, stale handles).
win32::user::Window* window_of(HDC dc) {
    if (!dc) return nullptr;
    return win32::user::find(win32::internal::window_of_dc(dc));
}

}  // namespace

int ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* ppfd) {
    if (!ppfd || !window_of(hdc)) return 0;
    return 1;
}

int DescribePixelFormat(HDC, int format, UINT bytes, PIXELFORMATDESCRIPTOR* ppfd) {
    if (!ppfd) return kFormatCount;
    if (format < 1 || format > kFormatCount) return 0;
    const PIXELFORMATDESCRIPTOR pfd = describe_format();
    std::memcpy(ppfd, &pfd, bytes < sizeof(pfd) ? bytes : sizeof(pfd));
    return kFormatCount;
}

BOOL SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR*) {
    win32::user::Window* w = window_of(hdc);
    if (!w || format < 1 || format > kFormatCount) return FALSE;
    // Only top-level windows have a GL surface.
    if (win32::user::is_child_window(*w) || !w->surface) return FALSE;
    // A window's pixel format is set once.
    if (w->pixel_format != 0) return w->pixel_format == format ? TRUE : FALSE;
    w->pixel_format = format;
    return TRUE;
}

int GetPixelFormat(HDC hdc) {
    win32::user::Window* w = window_of(hdc);
    return w ? w->pixel_format : 0;
}

BOOL SwapBuffers(HDC hdc) {
    win32::user::Window* w = window_of(hdc);
    if (!w || !w->surface || w->pixel_format == 0) return FALSE;
    std::vector<win32::Overlay> overlays;
    std::vector<std::vector<uint8_t>> masks;
    win32::user::collect_overlays(*w, overlays, masks);
    win32::host().swap(w->surface, overlays);
    return TRUE;
}
