#include "win32/hosts/virtual/frames.h"

#include <GL/gl.h>
#include <dlfcn.h>
#include <png.h>

#include <algorithm>
#include <cstdio>

namespace win32::virtual_host {

namespace {

// GL entry points taken straight from libOpenGL, so that the host's own read-back does not
// show up among the program's calls when it runs under a tracer.
struct HostGl {
    void (*ReadPixels)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*) = nullptr;
    void (*GetIntegerv)(GLenum, GLint*) = nullptr;
    void (*PixelStorei)(GLenum, GLint) = nullptr;
    void (*ReadBuffer)(GLenum) = nullptr;
    void (*BindBuffer)(GLenum, GLuint) = nullptr;

    HostGl() {
        void* lib = dlopen("libOpenGL.so.0", RTLD_LAZY | RTLD_LOCAL);
        if (lib) {
            ReadPixels = reinterpret_cast<decltype(ReadPixels)>(dlsym(lib, "glReadPixels"));
            GetIntegerv = reinterpret_cast<decltype(GetIntegerv)>(dlsym(lib, "glGetIntegerv"));
            PixelStorei = reinterpret_cast<decltype(PixelStorei)>(dlsym(lib, "glPixelStorei"));
            ReadBuffer = reinterpret_cast<decltype(ReadBuffer)>(dlsym(lib, "glReadBuffer"));
            BindBuffer = reinterpret_cast<decltype(BindBuffer)>(dlsym(lib, "glBindBuffer"));
        }
        if (!ReadPixels || !GetIntegerv || !PixelStorei || !ReadBuffer) {
            ReadPixels = &glReadPixels;
            GetIntegerv = &glGetIntegerv;
            PixelStorei = &glPixelStorei;
            ReadBuffer = &glReadBuffer;
            BindBuffer = nullptr;
        }
    }
};

}  // namespace

uint32_t Frame::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
    return (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
}

void read_back(Frame& f, int drawable_w, int drawable_h) {
    static const HostGl gl;
    GLint align = 4, row_length = 0, skip_rows = 0, skip_pixels = 0, read_buffer = GL_BACK, pack_buffer = 0;
    gl.GetIntegerv(GL_PACK_ALIGNMENT, &align);
    gl.GetIntegerv(GL_PACK_ROW_LENGTH, &row_length);
    gl.GetIntegerv(GL_PACK_SKIP_ROWS, &skip_rows);
    gl.GetIntegerv(GL_PACK_SKIP_PIXELS, &skip_pixels);
    gl.GetIntegerv(GL_READ_BUFFER, &read_buffer);
    if (gl.BindBuffer) gl.GetIntegerv(0x88ED /* GL_PIXEL_PACK_BUFFER_BINDING */, &pack_buffer);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
    gl.PixelStorei(GL_PACK_SKIP_ROWS, 0);
    gl.PixelStorei(GL_PACK_SKIP_PIXELS, 0);
    gl.ReadBuffer(GL_BACK);
    if (pack_buffer && gl.BindBuffer) gl.BindBuffer(0x88EB /* GL_PIXEL_PACK_BUFFER */, 0);

    const int w = std::min(f.width, drawable_w), h = std::min(f.height, drawable_h);
    std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 4);
    if (w > 0 && h > 0) gl.ReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    for (int y = 0; y < h; ++y)
        std::copy_n(&rows[static_cast<size_t>(h - 1 - y) * w * 4], static_cast<size_t>(w) * 4,
                    &f.rgba[static_cast<size_t>(y) * f.width * 4]);

    if (pack_buffer && gl.BindBuffer) gl.BindBuffer(0x88EB, static_cast<GLuint>(pack_buffer));
    gl.ReadBuffer(static_cast<GLenum>(read_buffer));
    gl.PixelStorei(GL_PACK_ALIGNMENT, align);
    gl.PixelStorei(GL_PACK_ROW_LENGTH, row_length);
    gl.PixelStorei(GL_PACK_SKIP_ROWS, skip_rows);
    gl.PixelStorei(GL_PACK_SKIP_PIXELS, skip_pixels);
}

void lay_overlays(Frame& f, const std::vector<Overlay>& overlays) {
    for (size_t i = 3; i < f.rgba.size(); i += 4) f.rgba[i] = 0xFF;
    for (const Overlay& o : overlays) {
        if (!o.pixels || o.width <= 0 || o.height <= 0) continue;
        for (int y = 0; y < o.height; ++y) {
            const int fy = o.y + y;
            if (fy < 0 || fy >= f.height) continue;
            for (int x = 0; x < o.width; ++x) {
                const int fx = o.x + x;
                if (fx < 0 || fx >= f.width) continue;
                const size_t src = static_cast<size_t>(y) * o.width + x;
                if (o.mask && !o.mask[src]) continue;
                const uint32_t p = o.pixels[src];
                uint8_t* d = &f.rgba[(static_cast<size_t>(fy) * f.width + fx) * 4];
                d[0] = static_cast<uint8_t>(p >> 16);
                d[1] = static_cast<uint8_t>(p >> 8);
                d[2] = static_cast<uint8_t>(p);
                d[3] = 0xFF;
            }
        }
    }
}

bool write_png(const Frame& frame, const std::string& path) {
    if (frame.width <= 0 || frame.height <= 0 ||
        frame.rgba.size() != static_cast<size_t>(frame.width) * frame.height * 4)
        return false;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frame.width), static_cast<png_uint_32>(frame.height), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < frame.height; ++y)
        png_write_row(png, const_cast<png_bytep>(&frame.rgba[static_cast<size_t>(y) * frame.width * 4]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0;
}

}  // namespace win32::virtual_host
