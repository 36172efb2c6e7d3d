// Calls between the pieces of our Win32 layer that are not part of the public API:
// kernel (errors), user (windows, messages, input) and gdi (device contexts, bitmaps, regions).
#pragma once

#include <cstdint>
#include <vector>

#include "win32/windows.h"

namespace win32::internal {

// ---- provided by kernel ------------------------------------------------------------------
// Passes on what the host said after a call that can fail: prints its failure for a person,
// on one line of standard error ("win32: CreateWindowExA: SDL_CreateWindow failed: <reason>"),
// and, when `error` is not ERROR_SUCCESS (the call failed), makes it the thread's last error.
// With ERROR_SUCCESS it prints only what the host recorded (something it did without).
void report_host_failure(const char* api, DWORD error);

// ---- provided by gdi -------------------------------------------------------------------
// A device context that draws into a window's client area (GetDC, BeginPaint).
HDC create_window_dc(HWND window);
void delete_window_dc(HDC dc);
// The window a device context belongs to; nullptr for memory DCs and unknown handles.
HWND window_of_dc(HDC dc);
// Point test on a region handle (false for anything that is not a live region).
bool region_contains(HRGN region, int x, int y);
// Coverage of a region over a width x height grid: one byte per pixel, top row first,
// non-zero where covered. Returns false if the handle is not a live region.
bool region_mask(HRGN region, int width, int height, std::vector<uint8_t>& mask);
// Releases a region a window owned (SetWindowRgn hands ownership to the window).
void delete_region(HRGN region);

// ---- provided by user ------------------------------------------------------------------
// The pixels of a window's client area as GDI sees them: 0x00RRGGBB, top row first.
// Child windows keep such a surface; it is laid over the parent's frame when it swaps.
// Returns nullptr for windows that have no surface (top-level GL windows, unknown handles).
struct WindowPixels {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};
WindowPixels window_pixels(HWND window);
// Whether a handle names a live window.
bool is_window(HWND window);
// Colour of a system colour index (COLOR_*), as 0x00RRGGBB; 0 for unknown indexes.
uint32_t system_colour(int index);

}  // namespace win32::internal
