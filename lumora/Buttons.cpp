// Shaped image buttons: loading a BMP file as a DIB section with a fitting palette, turning
// a bitmap into a region by a colour key, and the "IMAGEBUTTON" window procedure.
#include <cstdlib>
#include <cstring>

#include "lumora/BmpCheck.h"
#include "lumora/Lumora.h"

std::string BMPTYPE;

namespace {

constexpr LONGINT FLUSH_RECTS = 2000;           // rectangles per region chunk
constexpr LONG EMPTY_BOUND = 2147483647;        // rcBound of an empty rectangle list
constexpr DWORD RGNDATA_HEADER_SIZE = 32;
constexpr DWORD RECT_SIZE = 16;

}  // namespace

HBITMAP LOADBMPFROMFILE(const std::string& FILENAME, HPALETTE& PAL) {
    const std::string NAME(FILENAME.c_str());  // a zero-terminated copy
    // Only a file that holds what its headers declare reaches the platform's loader.
    if (!BMPFILEFITS(NAME.c_str())) return nullptr;
    HBITMAP BMP = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), NAME.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!BMP) return nullptr;

    BITMAP BM{};
    GetObjectA(BMP, sizeof(BITMAP), &BM);
    const int DEPTH = BM.bmPlanes * BM.bmBitsPixel;
    if (DEPTH <= 8) {
        HDC MEMDC = CreateCompatibleDC(nullptr);
        HGDIOBJ OLDOBJ = SelectObject(MEMDC, BMP);
        RGBQUAD RGBTABLE[256];
        std::memset(RGBTABLE, 0, sizeof(RGBTABLE));
        GetDIBColorTable(MEMDC, 0, 256, RGBTABLE);
        // LOGPALETTE header and 256 entries, in a block of 1032 bytes.
        auto* BLOCK = static_cast<LOGPALETTE*>(std::calloc(1, 1032));
        if (BLOCK) {
            BLOCK->palVersion = 0x300;
            BLOCK->palNumEntries = 256;
            PALETTEENTRY* ENTRIES = BLOCK->palPalEntry;
            for (int I = 0; I < 256; ++I) {
                ENTRIES[I].peRed = RGBTABLE[I].rgbRed;
                ENTRIES[I].peGreen = RGBTABLE[I].rgbGreen;
                ENTRIES[I].peBlue = RGBTABLE[I].rgbBlue;
                ENTRIES[I].peFlags = 0;
            }
            PAL = CreatePalette(BLOCK);
            std::free(BLOCK);
        } else {
            PAL = nullptr;
        }
        SelectObject(MEMDC, OLDOBJ);
        DeleteDC(MEMDC);
    } else {
        HDC SCREEN = GetDC(nullptr);
        PAL = CreateHalftonePalette(SCREEN);
        ReleaseDC(nullptr, SCREEN);
    }
    return BMP;
}

HRGN BITMAPTOREGION(const std::string& BMPNAME, COLORREF TRANSCOLOR, BYTE TOLERANCE) {
    HPALETTE PAL = nullptr;
    HBITMAP HBMP = LOADBMPFROMFILE(BMPNAME, PAL);
    if (!HBMP) return nullptr;

    HDC MEMDC = CreateCompatibleDC(nullptr);
    if (!MEMDC) {
        DeleteObject(PAL);
        DeleteObject(HBMP);
        return nullptr;
    }
    BITMAP BM{};
    GetObjectA(HBMP, sizeof(BITMAP), &BM);
    const LONGINT W = BM.bmWidth, H = BM.bmHeight;

    BITMAPINFO BI{};
    BI.bmiHeader.biSize = 40;
    BI.bmiHeader.biWidth = W;
    BI.bmiHeader.biHeight = H;  // positive: rows stored bottom-up
    BI.bmiHeader.biPlanes = 1;
    BI.bmiHeader.biBitCount = 32;
    BI.bmiHeader.biCompression = BI_RGB;
    void* PBITS32 = nullptr;
    HBITMAP HBMP32 = CreateDIBSection(MEMDC, &BI, DIB_RGB_COLORS, &PBITS32, nullptr, 0);
    if (!HBMP32) {
        DeleteDC(MEMDC);
        DeleteObject(PAL);
        DeleteObject(HBMP);
        return nullptr;
    }
    HGDIOBJ HOLDBMP = SelectObject(MEMDC, HBMP32);

    HRGN RESULT = nullptr;
    bool FAILED = false;
    HGLOBAL HDATA = nullptr;

    // Copy the picture into the 32-bit working image through a second memory DC.
    HDC DC = CreateCompatibleDC(nullptr);
    if (!DC) {
        FAILED = true;
    } else {
        HGDIOBJ HOLDBMP2 = SelectObject(DC, HBMP);
        HPALETTE HOLDPAL = SelectPalette(DC, PAL, TRUE);
        RealizePalette(DC);
        BitBlt(MEMDC, 0, 0, W, H, DC, 0, 0, SRCCOPY);
        SelectPalette(DC, HOLDPAL, FALSE);
        SelectObject(DC, HOLDBMP2);
        DeleteDC(DC);
    }

    BITMAP BM32{};
    GetObjectA(HBMP32, sizeof(BITMAP), &BM32);
    LONGINT STRIDE = BM32.bmWidthBytes;
    while (STRIDE % 4 != 0) ++STRIDE;

    LONGINT MAXRECTS = ALLOC_UNIT;
    RGNDATA* PDATA = nullptr;
    if (!FAILED) {
        HDATA = GlobalAlloc(GMEM_MOVEABLE, RGNDATA_HEADER_SIZE + RECT_SIZE * MAXRECTS);
        PDATA = HDATA ? static_cast<RGNDATA*>(GlobalLock(HDATA)) : nullptr;
        if (!PDATA) FAILED = true;
    }

    if (!FAILED) {
        PDATA->rdh.dwSize = RGNDATA_HEADER_SIZE;
        PDATA->rdh.iType = RDH_RECTANGLES;
        PDATA->rdh.nCount = 0;
        PDATA->rdh.nRgnSize = 0;
        SetRect(&PDATA->rdh.rcBound, EMPTY_BOUND, EMPTY_BOUND, 0, 0);

        // The tolerance box reaches upwards from the key only, limited to 255.
        const BYTE LR = GetRValue(TRANSCOLOR), LG = GetGValue(TRANSCOLOR), LB = GetBValue(TRANSCOLOR);
        const BYTE HR = BYTE(LR + TOLERANCE > 255 ? 255 : LR + TOLERANCE);
        const BYTE HG = BYTE(LG + TOLERANCE > 255 ? 255 : LG + TOLERANCE);
        const BYTE HB = BYTE(LB + TOLERANCE > 255 ? 255 : LB + TOLERANCE);

        // Creates a region from the stored rectangles and merges it into the result.
        auto FLUSH = [&]() -> bool {
            HRGN H2 = ExtCreateRegion(nullptr, RGNDATA_HEADER_SIZE + RECT_SIZE * MAXRECTS, PDATA);
            if (!H2) return false;
            if (RESULT) {
                CombineRgn(RESULT, RESULT, H2, RGN_OR);
                DeleteObject(H2);
            } else {
                RESULT = H2;
            }
            return true;
        };

        // The last row in memory is the top row of the picture.
        const uint8_t* P32 = static_cast<const uint8_t*>(BM32.bmBits) + ptrdiff_t(BM32.bmHeight - 1) * STRIDE;
        for (LONGINT Y = 0; Y < H && !FAILED; ++Y) {
            const uint32_t* ROW = reinterpret_cast<const uint32_t*>(P32);
            LONGINT X = 0;
            while (X < W) {
                const LONGINT X0 = X;
                while (X < W) {
                    const uint32_t P = ROW[X];
                    const BYTE RED = BYTE(P >> 16);
                    if (LR <= RED && RED <= HR) {
                        const BYTE GREEN = BYTE(P >> 8);
                        if (LG <= GREEN && GREEN <= HG) {
                            const BYTE BLUE = BYTE(P);
                            if (LB <= BLUE && BLUE <= HB) break;  // transparent
                        }
                    }
                    ++X;
                }
                if (X > X0) {
                    if (LONGINT(PDATA->rdh.nCount) >= MAXRECTS) {
                        GlobalUnlock(HDATA);
                        MAXRECTS += ALLOC_UNIT;
                        HGLOBAL HNEW = GlobalReAlloc(HDATA, RGNDATA_HEADER_SIZE + RECT_SIZE * MAXRECTS, GMEM_MOVEABLE);
                        if (!HNEW) {
                            FAILED = true;
                            PDATA = nullptr;
                            break;
                        }
                        HDATA = HNEW;
                        PDATA = static_cast<RGNDATA*>(GlobalLock(HDATA));
                        if (!PDATA) {
                            FAILED = true;
                            break;
                        }
                    }
                    RECT* PR = reinterpret_cast<RECT*>(PDATA->Buffer);
                    SetRect(&PR[PDATA->rdh.nCount], X0, Y, X, Y + 1);
                    RECT& BOUND = PDATA->rdh.rcBound;
                    if (X0 < BOUND.left) BOUND.left = X0;
                    if (Y < BOUND.top) BOUND.top = Y;
                    if (X > BOUND.right) BOUND.right = X;
                    if (Y + 1 > BOUND.bottom) BOUND.bottom = Y + 1;
                    ++PDATA->rdh.nCount;
                    if (PDATA->rdh.nCount == DWORD(FLUSH_RECTS)) {
                        if (!FLUSH()) {
                            FAILED = true;
                            break;
                        }
                        PDATA->rdh.nCount = 0;
                        SetRect(&PDATA->rdh.rcBound, EMPTY_BOUND, EMPTY_BOUND, 0, 0);
                    }
                }
                ++X;
            }
            P32 -= STRIDE;
        }
        if (!FAILED && !FLUSH()) FAILED = true;
    }

    if (HDATA) GlobalFree(HDATA);
    SelectObject(MEMDC, HOLDBMP);
    DeleteObject(HBMP32);
    DeleteDC(MEMDC);
    DeleteObject(PAL);
    DeleteObject(HBMP);
    if (FAILED && RESULT) {
        DeleteObject(RESULT);
        RESULT = nullptr;
    }
    return RESULT;
}

// ---------------------------------------------------------------------------------------
// The "IMAGEBUTTON" window procedure
// ---------------------------------------------------------------------------------------
namespace {

constexpr const char* PROP_NORMAL = "NORMALBITMAP";
constexpr const char* PROP_HOVER = "HOVERBITMAP";
constexpr const char* PROP_PRESS = "PRESSBITMAP";
constexpr const char* PROP_MODE = "HOVERMODEBYTE";
constexpr const char* PROP_REGION = "HOVERBUTTONREGION";
constexpr COLORREF SHAPE_KEY = 0x00FF00FF;  // magenta
constexpr BYTE SHAPE_TOLERANCE = 1;

constexpr intptr_t MODE_NORMAL = 1, MODE_HOVER = 2, MODE_PRESSED = 3;

intptr_t GETMODE(HWND WND) { return reinterpret_cast<intptr_t>(GetPropA(WND, PROP_MODE)); }
void SETMODE(HWND WND, intptr_t MODE) { SetPropA(WND, PROP_MODE, reinterpret_cast<HANDLE>(MODE)); }

std::string IMAGENAME(const char* STATE) { return BMPTYPE + STATE + ".BMP"; }

// A memory DC holding one state's image and its palette. A state whose image cannot be
// loaded gets a DC with nothing of its own selected.
HDC MAKESTATEDC(const char* STATE, HBITMAP* LOADED, BITMAP* SIZE_) {
    HPALETTE PAL = nullptr;
    HBITMAP BMP = LOADBMPFROMFILE(IMAGENAME(STATE), PAL);
    if (LOADED) *LOADED = BMP;
    if (BMP && SIZE_) GetObjectA(BMP, sizeof(BITMAP), SIZE_);
    HDC DC = CreateCompatibleDC(nullptr);
    if (!DC) {
        // Nowhere to keep them: release at once so that nothing leaks.
        DeleteObject(BMP);
        DeleteObject(PAL);
        return nullptr;
    }
    if (BMP) SelectObject(DC, BMP);
    if (PAL) {
        SelectPalette(DC, PAL, FALSE);
        RealizePalette(DC);
    }
    return DC;
}

// Deletes a state's memory DC and the bitmap and palette it holds.
void FREESTATEDC(HDC DC) {
    HGDIOBJ BMP = GetCurrentObject(DC, OBJ_BITMAP);
    HGDIOBJ PAL = GetCurrentObject(DC, OBJ_PAL);
    DeleteDC(DC);
    // Stock objects (a DC's defaults) are left alone by DeleteObject.
    if (BMP) DeleteObject(BMP);
    if (PAL) DeleteObject(PAL);
}

void BUTTONCREATE(HWND WND) {
    const int ID = GetDlgCtrlID(WND);
    (void)ID;  // the control ID takes no part in the image names

    HBITMAP NORMAL = nullptr;
    BITMAP BM{};
    HDC NORMALDC = MAKESTATEDC("N", &NORMAL, &BM);

    RECT BUTTONRECT{};
    GetWindowRect(WND, &BUTTONRECT);
    // The button stays where it was placed: its corner in the parent's client area, whatever
    // the parent's frame (a top-level button keeps its screen position).
    POINT AT{BUTTONRECT.left, BUTTONRECT.top};
    ScreenToClient(GetParent(WND), &AT);
    // Without a normal image the button keeps the size it was created with.
    const int W = NORMAL ? BM.bmWidth : BUTTONRECT.right - BUTTONRECT.left;
    const int H = NORMAL ? BM.bmHeight : BUTTONRECT.bottom - BUTTONRECT.top;
    MoveWindow(WND, AT.x, AT.y, W, H, FALSE);

    SetPropA(WND, PROP_NORMAL, NORMALDC);
    SetPropA(WND, PROP_HOVER, MAKESTATEDC("H", nullptr, nullptr));
    SetPropA(WND, PROP_PRESS, MAKESTATEDC("P", nullptr, nullptr));
    SETMODE(WND, MODE_NORMAL);

    HRGN WINDOWRGN = BITMAPTOREGION(IMAGENAME("N"), SHAPE_KEY, SHAPE_TOLERANCE);
    if (!WINDOWRGN) return;
    SetWindowRgn(WND, WINDOWRGN, FALSE);  // the window owns it from here on
    SetPropA(WND, PROP_REGION, BITMAPTOREGION(IMAGENAME("N"), SHAPE_KEY, SHAPE_TOLERANCE));
}

void BUTTONDESTROY(HWND WND) {
    RemovePropA(WND, PROP_MODE);
    if (HANDLE RGN = GetPropA(WND, PROP_REGION)) DeleteObject(RGN);
    RemovePropA(WND, PROP_REGION);
    for (const char* NAME : {PROP_PRESS, PROP_HOVER, PROP_NORMAL}) {
        if (HANDLE DC = GetPropA(WND, NAME)) FREESTATEDC(static_cast<HDC>(DC));
        RemovePropA(WND, NAME);
    }
}

void BUTTONPAINT(HWND WND) {
    RECT R{};
    GetWindowRect(WND, &R);
    HDC SOURCE = nullptr;
    switch (GETMODE(WND)) {
    case MODE_NORMAL:
        SOURCE = static_cast<HDC>(GetPropA(WND, PROP_NORMAL));
        break;
    case MODE_HOVER:
        SOURCE = static_cast<HDC>(GetPropA(WND, PROP_HOVER));
        break;
    case MODE_PRESSED:
        SOURCE = static_cast<HDC>(GetPropA(WND, PROP_PRESS));
        break;
    default:
        break;
    }
    // The paint always validates the window, image or not.
    PAINTSTRUCT PS;
    HDC DC = BeginPaint(WND, &PS);
    if (SOURCE) BitBlt(DC, 0, 0, R.right - R.left, R.bottom - R.top, SOURCE, 0, 0, SRCCOPY);
    EndPaint(WND, &PS);
}

void BUTTONMOUSEMOVE(HWND WND, WPARAM KEYS, LPARAM POS) {
    HANDLE RGN = GetPropA(WND, PROP_REGION);
    const intptr_t MODE = GETMODE(WND);
    if (!RGN || !MODE) return;
    // Signed coordinates: left of or above the button is outside its region too.
    const int X = GET_X_LPARAM(POS), Y = GET_Y_LPARAM(POS);
    if (PtInRegion(static_cast<HRGN>(RGN), X, Y)) {
        if (MODE == MODE_NORMAL) {
            SETMODE(WND, (KEYS & 3) == 0 ? MODE_HOVER : MODE_PRESSED);
            SetCapture(WND);
            InvalidateRect(WND, nullptr, FALSE);
        }
    } else {
        SETMODE(WND, MODE_NORMAL);
        ReleaseCapture();
        InvalidateRect(WND, nullptr, FALSE);
    }
}

}  // namespace

LRESULT CALLBACK HOVERBUTTONHANDLER(HWND WND, UINT IMSG, WPARAM WPARAM_, LPARAM LPARAM_) {
    switch (IMSG) {
    case WM_CREATE:
        BUTTONCREATE(WND);
        return 0;
    case WM_DESTROY:
        BUTTONDESTROY(WND);
        return 0;
    case WM_PAINT:
        BUTTONPAINT(WND);
        return 0;
    case WM_MOUSEMOVE:
        BUTTONMOUSEMOVE(WND, WPARAM_, LPARAM_);
        return 0;
    case WM_LBUTTONDOWN:
        SetCapture(WND);
        SETMODE(WND, MODE_PRESSED);
        InvalidateRect(WND, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP:
        if (GETMODE(WND) == MODE_PRESSED)
            PostMessageA(GetParent(WND), WM_COMMAND, WPARAM(GetDlgCtrlID(WND)), 0);
        SETMODE(WND, MODE_NORMAL);
        ReleaseCapture();
        InvalidateRect(WND, nullptr, FALSE);
        return 0;
    default:
        return DefWindowProcA(WND, IMSG, WPARAM_, LPARAM_);
    }
}
