// GL for the headless host: EGL on Mesa's surfaceless platform. One display and one config
// for the run (pbuffers with RGBA8 colour, depth 24 and stencil 8; desktop GL), set up on
// first need. Every failure keeps EGL's reason, by its name.
#pragma once

#include <EGL/egl.h>

#include <string>

#include "win32/host.h"

namespace win32::virtual_host {

// The name of an EGL error code ("EGL_BAD_ALLOC"); the number for codes EGL does not name.
std::string egl_error_name(EGLint error);

class Egl {
public:
    // Sets up the display and config on the first call. False, with the failure, when there
    // is no EGL to be had; later calls then fail the same way.
    bool ready(Failure& failure);
    // A pbuffer of width x height; EGL_NO_SURFACE, with the failure, when it cannot be made.
    EGLSurface create_pbuffer(int width, int height, Failure& failure);
    // A compatibility-profile desktop GL context (or whatever desktop GL context the driver
    // makes when it knows no profiles); EGL_NO_CONTEXT, with the failure, when none is made.
    EGLContext create_context(Failure& failure);
    // Makes a context current on a pbuffer (for drawing and reading).
    bool make_current(EGLSurface surface, EGLContext context, Failure& failure);
    // Leaves no context current (nothing to do before the display is set up).
    void release();
    void destroy_surface(EGLSurface surface);
    void destroy_context(EGLContext context);
    void swap(EGLSurface surface);

private:
    Failure set_up();

    bool tried_ = false;
    Failure setup_failure_;
    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLConfig config_ = nullptr;
};

}  // namespace win32::virtual_host
