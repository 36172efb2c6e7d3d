// Frames of the headless host: what a swap shows, read back from the GL surface with the
// child windows' overlays laid over it, and PNG files of them. Frame and write_png are the
// tests' (through virtual_host.h); read_back and lay_overlays are the host's, for its swap.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win32/host.h"
#include "win32/windows.h"

namespace win32::virtual_host {

struct Frame {
    HWND window = nullptr;
    int width = 0;
    int height = 0;
    uint64_t index = 0;         // the swap that produced it
    std::vector<uint8_t> rgba;  // width * height * 4 bytes, top row first
    // The pixel at (x, y) as 0x00RRGGBB; 0 outside the frame.
    uint32_t pixel(int x, int y) const;
};

// Writes a frame as an 8-bit RGBA PNG file. False on any failure.
bool write_png(const Frame& frame, const std::string& path);

// Copies the back buffer of the current GL context (a drawable of drawable_w x drawable_h)
// into the frame, top row first, as far as both reach. The reading goes straight to
// libOpenGL, so it does not appear in an apitrace of the program, and the pixel-store state
// the program set is the same afterwards.
void read_back(Frame& frame, int drawable_w, int drawable_h);

// Makes the frame opaque, as a screen shows it, and lays the overlays over it where their
// masks cover.
void lay_overlays(Frame& frame, const std::vector<Overlay>& overlays);

}  // namespace win32::virtual_host
