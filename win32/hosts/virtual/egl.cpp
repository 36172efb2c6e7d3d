#include "win32/hosts/virtual/egl.h"

#include <EGL/eglext.h>

namespace win32::virtual_host {

namespace {
Failure egl_failure(const char* call) { return {call, egl_error_name(eglGetError())}; }
}  // namespace

std::string egl_error_name(EGLint error) {
    switch (error) {
        case EGL_SUCCESS: return "EGL_SUCCESS";
        case EGL_NOT_INITIALIZED: return "EGL_NOT_INITIALIZED";
        case EGL_BAD_ACCESS: return "EGL_BAD_ACCESS";
        case EGL_BAD_ALLOC: return "EGL_BAD_ALLOC";
        case EGL_BAD_ATTRIBUTE: return "EGL_BAD_ATTRIBUTE";
        case EGL_BAD_CONFIG: return "EGL_BAD_CONFIG";
        case EGL_BAD_CONTEXT: return "EGL_BAD_CONTEXT";
        case EGL_BAD_CURRENT_SURFACE: return "EGL_BAD_CURRENT_SURFACE";
        case EGL_BAD_DISPLAY: return "EGL_BAD_DISPLAY";
        case EGL_BAD_MATCH: return "EGL_BAD_MATCH";
        case EGL_BAD_NATIVE_PIXMAP: return "EGL_BAD_NATIVE_PIXMAP";
        case EGL_BAD_NATIVE_WINDOW: return "EGL_BAD_NATIVE_WINDOW";
        case EGL_BAD_PARAMETER: return "EGL_BAD_PARAMETER";
        case EGL_BAD_SURFACE: return "EGL_BAD_SURFACE";
        case EGL_CONTEXT_LOST: return "EGL_CONTEXT_LOST";
        default: return "EGL error " + std::to_string(error);
    }
}

bool Egl::ready(Failure& failure) {
    if (!tried_) {
        tried_ = true;
        setup_failure_ = set_up();
    }
    if (display_ == EGL_NO_DISPLAY) failure = setup_failure_;
    return display_ != EGL_NO_DISPLAY;
}

Failure Egl::set_up() {
    auto get_display =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!get_display) return {"eglGetProcAddress", "no eglGetPlatformDisplayEXT"};
    EGLDisplay d = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (d == EGL_NO_DISPLAY) return egl_failure("eglGetPlatformDisplayEXT");
    EGLint major = 0, minor = 0;
    if (!eglInitialize(d, &major, &minor)) return egl_failure("eglInitialize");
    if (!eglBindAPI(EGL_OPENGL_API)) {
        const Failure failure = egl_failure("eglBindAPI");
        eglTerminate(d);
        return failure;
    }
    const EGLint attrs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                            EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                            EGL_BLUE_SIZE,    8,               EGL_ALPHA_SIZE,      8,
                            EGL_DEPTH_SIZE,   24,              EGL_STENCIL_SIZE,    8,
                            EGL_NONE};
    EGLint count = 0;
    const bool chosen = eglChooseConfig(d, attrs, &config_, 1, &count);
    if (!chosen || count < 1) {
        const Failure failure = chosen ? Failure{"eglChooseConfig", "no pbuffer config of RGBA8, depth 24, stencil 8"}
                                       : egl_failure("eglChooseConfig");
        eglTerminate(d);
        return failure;
    }
    display_ = d;
    return {};
}

EGLSurface Egl::create_pbuffer(int width, int height, Failure& failure) {
    if (!ready(failure)) return EGL_NO_SURFACE;
    const EGLint attrs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display_, config_, attrs);
    if (surface == EGL_NO_SURFACE) failure = egl_failure("eglCreatePbufferSurface");
    return surface;
}

EGLContext Egl::create_context(Failure& failure) {
    if (!ready(failure)) return EGL_NO_CONTEXT;
    const EGLint attrs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display_, config_, EGL_NO_CONTEXT, attrs);
    if (context == EGL_NO_CONTEXT) context = eglCreateContext(display_, config_, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) failure = egl_failure("eglCreateContext");
    return context;
}

bool Egl::make_current(EGLSurface surface, EGLContext context, Failure& failure) {
    if (!ready(failure)) return false;
    if (eglMakeCurrent(display_, surface, surface, context)) return true;
    failure = egl_failure("eglMakeCurrent");
    return false;
}

void Egl::release() {
    if (display_ != EGL_NO_DISPLAY) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void Egl::destroy_surface(EGLSurface surface) { eglDestroySurface(display_, surface); }

void Egl::destroy_context(EGLContext context) { eglDestroyContext(display_, context); }

void Egl::swap(EGLSurface surface) { eglSwapBuffers(display_, surface); }

}  // namespace win32::virtual_host
