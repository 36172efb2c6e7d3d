// buggy-look: renders the mesh tables headless (EGL, no window) from several views and
// writes PNG files, one colour per part, so the model's shape can be judged by eye.
// Usage: buggy-look [PREFIX]   (writes PREFIX-side.png, -front.png, -top.png, ...; see usage())
#include <EGL/egl.h>
#include <GL/gl.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/BuggyMesh.h"

namespace {

constexpr int W = 960, H = 720;

void Usage(FILE* out) {
    std::fputs(
        "usage: buggy-look [options] [PREFIX]\n"
        "Renders the buggy's mesh tables without a display from seven views, one colour per part,\n"
        "and writes PREFIX-side.png, -front, -top, -three-quarter, -rear-three-quarter, -below and\n"
        "-left.png (default PREFIX: buggy, in the working directory).\n"
        "\n"
        "  -h, --help   show this text\n"
        "  --           what follows is the PREFIX, even if it starts with '-'\n",
        out);
}

bool WritePng(const std::string& path, const std::vector<unsigned char>& rgba) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, W, H, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = H - 1; y >= 0; --y) png_write_row(png, const_cast<unsigned char*>(&rgba[static_cast<size_t>(y) * W * 4]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

void Emit(const TMESHPART& p) {
    const TMESHCORNER* c = p.CORNERS;
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 3 * p.TRIANGLES; ++i, ++c) {
        glNormal3f(-c->NX, -c->NY, -c->NZ);
        glVertex3f(c->X, c->Y, c->Z);
    }
    glEnd();
}

const float COLOURS[BUGGYBODYPARTCOUNT][3] = {
    {0.95f, 0.55f, 0.10f},  // upper body
    {0.45f, 0.45f, 0.50f},  // lower body
    {0.20f, 0.20f, 0.22f},  // dashboard
    {0.70f, 0.70f, 0.72f},  // axles
    {0.50f, 0.35f, 0.25f},  // engine
    {0.75f, 0.75f, 0.78f},  // tubes
    {0.55f, 0.80f, 0.95f},  // windscreen
    {0.85f, 0.85f, 0.85f},  // headlight
    {1.00f, 1.00f, 0.70f},  // headlight glass
    {0.85f, 0.85f, 0.85f},
    {1.00f, 1.00f, 0.70f},
    {0.15f, 0.35f, 0.65f},  // seats
    {0.15f, 0.35f, 0.65f},
    {0.80f, 0.80f, 0.82f},  // roll frame
    {0.80f, 0.80f, 0.82f},  // bumper
};

void Colour(const float* c) {
    const GLfloat amb[4] = {c[0] * 0.35f, c[1] * 0.35f, c[2] * 0.35f, 1};
    const GLfloat dif[4] = {c[0], c[1], c[2], 1};
    const GLfloat spec[4] = {0.3f, 0.3f, 0.3f, 1};
    glMaterialfv(GL_FRONT, GL_AMBIENT, amb);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, dif);
    glMaterialfv(GL_FRONT, GL_SPECULAR, spec);
    glMaterialf(GL_FRONT, GL_SHININESS, 30);
}

struct View {
    const char* name;
    float rx, ry;  // turn about the view's x, then y (degrees), applied to the model space
};

// Draws the scene in the viewer's space: the body list transform and the four wheels.
void Scene() {
    glPushMatrix();
    glScalef(0.25f, 0.25f, 0.25f);
    glRotatef(-90, 1, 0, 0);
    for (int i = 0; i < BUGGYBODYPARTCOUNT; ++i) {
        Colour(COLOURS[i]);
        Emit(BUGGYBODYPARTS[i]);
    }
    glPopMatrix();
    const float wheels[4][4] = {{-14, -3.5f, 8.5f, 0}, {8, -3.5f, 8.5f, 0}, {-14, -3.5f, -8.5f, 180},
                                {8, -3.5f, -8.5f, 180}};
    const float tyre[3] = {0.12f, 0.12f, 0.12f}, rim[3] = {0.85f, 0.85f, 0.9f};
    for (const auto& w : wheels) {
        glPushMatrix();
        glTranslatef(w[0], w[1], w[2]);
        glRotatef(w[3], 0, 1, 0);
        glScalef(0.25f, 0.25f, 0.25f);
        glRotatef(-90, 1, 0, 0);
        Colour(tyre);
        Emit(BUGGYWHEELPARTS[PNEUMATICO]);
        Colour(rim);
        Emit(BUGGYWHEELPARTS[CERCHIONE]);
        glPopMatrix();
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string prefix = "buggy";
    bool have_prefix = false, options_done = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!options_done && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
            Usage(stdout);
            return 0;
        }
        if (!options_done && std::strcmp(arg, "--") == 0) {
            options_done = true;
            continue;
        }
        if (!options_done && arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "buggy-look: unknown option: %s\n", arg);
            Usage(stderr);
            return 2;
        }
        if (have_prefix) {
            std::fprintf(stderr, "buggy-look: more than one PREFIX: %s\n", arg);
            Usage(stderr);
            return 2;
        }
        prefix = arg;
        have_prefix = true;
    }
    // Mesa's surfaceless platform needs no display server.
    auto get_platform_display = reinterpret_cast<EGLDisplay (*)(EGLenum, void*, const EGLint*)>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay dpy = get_platform_display ? get_platform_display(0x31DD, EGL_DEFAULT_DISPLAY, nullptr)
                                          : eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (dpy == EGL_NO_DISPLAY || !eglInitialize(dpy, nullptr, nullptr)) {
        std::fprintf(stderr, "no EGL display\n");
        return 1;
    }
    const EGLint cfg_attr[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                               EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                               EGL_NONE};
    EGLConfig cfg;
    EGLint n = 0;
    if (!eglChooseConfig(dpy, cfg_attr, &cfg, 1, &n) || n < 1) {
        std::fprintf(stderr, "no EGL config\n");
        return 1;
    }
    const EGLint pb_attr[] = {EGL_WIDTH, W, EGL_HEIGHT, H, EGL_NONE};
    EGLSurface surf = eglCreatePbufferSurface(dpy, cfg, pb_attr);
    eglBindAPI(EGL_OPENGL_API);
    EGLContext ctx = eglCreateContext(dpy, cfg, EGL_NO_CONTEXT, nullptr);
    if (ctx == EGL_NO_CONTEXT || !eglMakeCurrent(dpy, surf, surf, ctx)) {
        std::fprintf(stderr, "no GL context\n");
        return 1;
    }
    const View views[] = {{"side", 0, 0},     {"front", 0, -90}, {"top", 90, 0},
                          {"three-quarter", 25, -40}, {"rear-three-quarter", 20, 140}, {"below", -70, 20},
                          {"left", 0, 180}};
    std::vector<unsigned char> pixels(static_cast<size_t>(W) * H * 4);
    for (const View& v : views) {
        glViewport(0, 0, W, H);
        glClearColor(119 / 300.f, 187 / 300.f, 0.85f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_NORMALIZE);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        const double a = static_cast<double>(W) / H;
        glFrustum(-a * 0.5, a * 0.5, -0.5, 0.5, 1.2, 200);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat lp[4] = {0.4f, 1.0f, 0.8f, 0};
        glLightfv(GL_LIGHT0, GL_POSITION, lp);
        // A weaker light from the eye and some ambient keep faces turned from the sun readable.
        const GLfloat eye[4] = {0, 0, 1, 0}, fill[4] = {0.45f, 0.45f, 0.45f, 1}, amb[4] = {0.5f, 0.5f, 0.5f, 1};
        glEnable(GL_LIGHT1);
        glLightfv(GL_LIGHT1, GL_POSITION, eye);
        glLightfv(GL_LIGHT1, GL_DIFFUSE, fill);
        glLightfv(GL_LIGHT1, GL_SPECULAR, fill);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, amb);
        glTranslatef(0, 0, -62);
        glRotatef(v.rx, 1, 0, 0);
        glRotatef(v.ry, 0, 1, 0);
        glTranslatef(5, 2, 0);
        Scene();
        glFinish();
        glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        const std::string path = prefix + "-" + v.name + ".png";
        if (!WritePng(path, pixels)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglTerminate(dpy);
    return 0;
}
