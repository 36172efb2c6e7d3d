// The window host: shared unit state and settings, the fatal-error reporter, window classes,
// window creation with its pixel format and GL context, the window procedure with keyboard
// and mouse state, the message pump and the tear-down.
#include <cstdlib>
#include <cstring>

#include "lumora/Lumora.h"

// ---------------------------------------------------------------------------------------
// Unit state
// ---------------------------------------------------------------------------------------
HWND HWINDOW = nullptr;
HDC DCWINDOW = nullptr;
HGLRC RCWINDOW = nullptr;
LONGINT WIDTH = 0, HEIGHT = 0, BITS = 0;
bool FULLSCREEN = false;
bool ACTIVE = false;
MSG MSG_{};
WNDCLASSEXA WINDOWCLASSEX{};

LONGINT SETTYPECURSOR = 0;
PCHAR CURSORFILE = nullptr;
LONGINT SETTYPEICON = 0;
PCHAR ICONFILE = nullptr;

bool SHOWMENUBAR = false;
TPROCEDURE CREATEMENUBAR = nullptr;
TPROCEDURE CREATEMOUSEMENU = nullptr;
TWINDOWPROC GETINPUTCOMMAND = nullptr;
bool SHOWSTATUSBAR = false;
HWND HSTATUS = nullptr;
HWND AWND = nullptr;
char FILENAME[261] = {};
LONGINT STATUSITEM[MAXSTATUSITEMS + 1] = {};
LONGINT EDGES[MAXSTATUSITEMS + 1] = {};
LONGINT MAXSTATUSITEM = 0;

LONGBOOL SETKEY[MAXKEY + 1] = {};
bool LEFTMOUSEDOWN = false, LEFTMOUSEDOWN2 = false;
bool RIGHTMOUSEDOWN = false, RIGHTMOUSEDOWN2 = false;
bool MOUSEFREE = false;
LONGINT SETMX = 0, SETMY = 0, SETOMX = 0, SETOMY = 0;
LONGINT XCOORD = 0, YCOORD = 0, ZCOORD = 0;

LONGWORD START = 0;
LONGINT CMDSHOW = SW_SHOWNORMAL;
bool FOGONOFF = false;
// The project's version, from the top-level CMakeLists.txt (project(... VERSION ...)).
const std::string LUMOVERSION = LUMORA_VERSION;

namespace {

constexpr const char* MAIN_CLASS = "GLWindow";
constexpr const char* BUTTON_CLASS = "IMAGEBUTTON";
constexpr DWORD WINDOWED_STYLE = 0x96CA0000;
constexpr DWORD FULLSCREEN_STYLE = 0x96880000;
constexpr DWORD STATUSBAR_STYLE = 0x50000000;
constexpr UINT STATUSBAR_ID = 30482;

// The system cursor each cursor type selects (FILECURSOR is loaded from CURSORFILE).
LPCSTR system_cursor(LONGINT type) {
    switch (type) {
    case ARROW: return IDC_ARROW;
    case IBEAM: return IDC_IBEAM;
    case WAIT: return IDC_WAIT;
    case CROSS: return IDC_CROSS;
    case UPARROW: return IDC_UPARROW;
    case SIZE_: return IDC_SIZE;
    case SIZENWSE: return IDC_SIZENWSE;
    case SIZENESW: return IDC_SIZENESW;
    case SIZEWE: return IDC_SIZEWE;
    case SIZENS: return IDC_SIZENS;
    case SIZEALL: return IDC_SIZEALL;
    case NOCURSOR: return IDC_NO;
    case HAND: return IDC_HAND;
    case APPSTARTING: return IDC_APPSTARTING;
    case HELP: return IDC_HELP;
    default: return nullptr;
    }
}

// The class cursor; an unknown type registers the class without one.
HCURSOR class_cursor() {
    if (SETTYPECURSOR == FILECURSOR) return LoadCursorFromFileA(CURSORFILE);
    LPCSTR id = system_cursor(SETTYPECURSOR);
    return id ? LoadCursorA(nullptr, id) : nullptr;
}

// The class icon; an unknown type registers the class without one.
HICON class_icon() {
    if (SETTYPEICON == GENERIC) return LoadIconA(nullptr, IDI_APPLICATION);
    if (SETTYPEICON == FILEICON) return LoadCursorFromFileA(ICONFILE);
    return nullptr;
}

// Mouse positions travel in lParam as two signed 16-bit client coordinates: while the mouse
// is captured, a drag past the left or top edge arrives as a negative position.
LONGINT mouse_x(LPARAM lparam) { return GET_X_LPARAM(lparam); }
LONGINT mouse_y(LPARAM lparam) { return GET_Y_LPARAM(lparam); }

// A key message's index into SETKEY, or -1 for codes outside 0..500 (they are not recorded).
int key_index(WPARAM wparam) { return wparam <= static_cast<WPARAM>(MAXKEY) ? static_cast<int>(wparam) : -1; }

}  // namespace

// ---------------------------------------------------------------------------------------
// Settings and the fatal-error reporter
// ---------------------------------------------------------------------------------------
void OGLWINDOWSETTING(LONGINT TYPECURSOR, PCHAR CURFILE, LONGINT TYPEICON, PCHAR ICOFILE) {
    if (MOUSEFREE) {
        START = GetTickCount();
        SetCursorPos(WIDTH / 2, HEIGHT / 2);
    }
    FOGONOFF = true;
    SETTYPECURSOR = TYPECURSOR;
    CURSORFILE = CURFILE;
    SETTYPEICON = TYPEICON;
    ICONFILE = ICOFILE;
}

void THROWERROR(const char* PCERRORMESSAGE) {
    MessageBoxA(nullptr, PCERRORMESSAGE, "Error", MB_OK);
    std::exit(0);
}

// ---------------------------------------------------------------------------------------
// Window creation and GL context
// ---------------------------------------------------------------------------------------
bool WINDOWREGISTER() {
    HINSTANCE instance = GetModuleHandleA(nullptr);

    WNDCLASSA window_class{};
    window_class.style = CS_VREDRAW | CS_HREDRAW;
    window_class.lpfnWndProc = GLWNDPROC;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = 0;
    window_class.hInstance = instance;
    window_class.hIcon = class_icon();
    window_class.hCursor = class_cursor();
    window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    window_class.lpszMenuName = nullptr;
    window_class.lpszClassName = MAIN_CLASS;
    const bool registered = (RegisterClassA(&window_class) & 0xFFFF) != 0;

    if (!GetClassInfoExA(nullptr, BUTTON_CLASS, &WINDOWCLASSEX)) {
        // The record's own size: 48 in a 32-bit program, more in a 64-bit one, where 48 is refused.
        WINDOWCLASSEX.cbSize = sizeof(WNDCLASSEXA);
        WINDOWCLASSEX.style = 0;
        WINDOWCLASSEX.lpfnWndProc = HOVERBUTTONHANDLER;
        WINDOWCLASSEX.cbClsExtra = 0;
        WINDOWCLASSEX.cbWndExtra = 0;
        WINDOWCLASSEX.hInstance = instance;
        WINDOWCLASSEX.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        WINDOWCLASSEX.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
        WINDOWCLASSEX.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        WINDOWCLASSEX.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        WINDOWCLASSEX.lpszMenuName = nullptr;
        WINDOWCLASSEX.lpszClassName = BUTTON_CLASS;
        RegisterClassExA(&WINDOWCLASSEX);
    }
    return registered;
}

HWND WINDOWCREATE(const char* PCAPPLICATIONNAME) {
    DWORD style = WINDOWED_STYLE;
    if (FULLSCREEN) {
        WIDTH = GetSystemMetrics(SM_CXSCREEN);
        HEIGHT = GetSystemMetrics(SM_CYSCREEN);
        style = FULLSCREEN_STYLE;
    }
    HWND window = CreateWindowExA(0, MAIN_CLASS, PCAPPLICATIONNAME, style, CW_USEDEFAULT, CW_USEDEFAULT, WIDTH,
                                  HEIGHT, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window) {
        ShowWindow(window, CMDSHOW);
        UpdateWindow(window);
    }
    return window;
}

bool WINDOWINIT(HWND HPARENT) {
    int error = 0;
    DCWINDOW = GetDC(HPARENT);

    // Every bit count of the request is BITS, which has to fit in a byte; a depth that does
    // not is a failed pixel-format choice.
    const bool bits_fit = BITS >= 0 && BITS <= 255;
    const BYTE bits = bits_fit ? static_cast<BYTE>(BITS) : 0;
    PIXELFORMATDESCRIPTOR pfd;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = 40;
    pfd.nVersion = 1;
    pfd.dwFlags = 0x1067;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = bits;
    pfd.cAlphaBits = bits;
    pfd.cAccumBits = bits;
    pfd.cDepthBits = bits;
    pfd.cStencilBits = bits;
    pfd.cAuxBuffers = bits;
    pfd.iLayerType = PFD_OVERLAY_PLANE;

    const int format = bits_fit ? ChoosePixelFormat(DCWINDOW, &pfd) : 0;
    if (format == 0) error = 1;
    SetPixelFormat(DCWINDOW, format, &pfd);
    RCWINDOW = wglCreateContext(DCWINDOW);
    if (RCWINDOW == nullptr) error = 2;
    wglMakeCurrent(DCWINDOW, RCWINDOW);
    return error == 0;
}

HWND CREATESTATUSBAR(HWND PARENT) {
    std::strcpy(FILENAME, "Percorso file");
    AWND = CreateStatusWindowA(static_cast<LONG>(STATUSBAR_STYLE), FILENAME, PARENT, STATUSBAR_ID);
    if (AWND) {
        // The status bar has room for 20 parts; a larger count is taken as 20.
        const LONGINT parts = MAXSTATUSITEM < 0 ? 0 : (MAXSTATUSITEM > MAXSTATUSITEMS ? MAXSTATUSITEMS : MAXSTATUSITEM);
        for (LONGINT i = 1; i <= parts; ++i) EDGES[i] = STATUSITEM[i];
        SendMessageA(AWND, SB_SETPARTS, static_cast<WPARAM>(parts), reinterpret_cast<LPARAM>(&EDGES[1]));
    }
    return AWND;
}

bool CREATEOGLWINDOW(const char* APPNAME, LONGINT APPWIDTH, LONGINT APPHEIGHT, LONGINT APPBITS, bool APPFULLSCREEN) {
    WIDTH = APPWIDTH;
    HEIGHT = APPHEIGHT;
    BITS = APPBITS;
    FULLSCREEN = APPFULLSCREEN;
    if (!WINDOWREGISTER()) THROWERROR("Errore di registro per la rispettiva applicazione!");
    HWINDOW = WINDOWCREATE(APPNAME);
    if (SHOWMENUBAR && CREATEMENUBAR) CREATEMENUBAR();
    if (SHOWSTATUSBAR) HSTATUS = CREATESTATUSBAR(HWINDOW);
    if (HWINDOW == nullptr) THROWERROR("Impossibile creare la finestra per la rispettiva applicazione!");
    if (!WINDOWINIT(HWINDOW)) THROWERROR("la rispettiva applicazione non \xE8 stata inizilizata!");
    return true;
}

void DELETEOGLWINDOW() {
    wglMakeCurrent(DCWINDOW, nullptr);
    wglDeleteContext(RCWINDOW);
    ReleaseDC(HWINDOW, DCWINDOW);
    DestroyWindow(HWINDOW);
}

// ---------------------------------------------------------------------------------------
// Window procedure and message pump
// ---------------------------------------------------------------------------------------
LRESULT CALLBACK GLWNDPROC(HWND WINDOW, UINT AMESSAGE, WPARAM WPARAM_, LPARAM LPARAM_) {
    switch (AMESSAGE) {
    case WM_CREATE:
        ACTIVE = true;
        return 0;
    case WM_DESTROY:
        ACTIVE = false;
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(WINDOW, &paint);
        UpdateWindow(HSTATUS);
        EndPaint(WINDOW, &paint);
        return 0;
    }
    case WM_CONTEXTMENU:
        if (SHOWMENUBAR && CREATEMOUSEMENU) CREATEMOUSEMENU();
        break;
    case WM_KEYDOWN: {
        if (WPARAM_ == VK_ESCAPE) {
            SendMessageA(HWINDOW, WM_DESTROY, 0, 0);
            return 0;
        }
        const int key = key_index(WPARAM_);
        if (key >= 0) SETKEY[key] = LONGBOOL_TRUE;
        break;
    }
    case WM_KEYUP: {
        const int key = key_index(WPARAM_);
        if (key >= 0) SETKEY[key] = 0;
        MOUSEFREE = false;
        break;
    }
    case WM_COMMAND:
        if (SHOWMENUBAR && GETINPUTCOMMAND) GETINPUTCOMMAND(WINDOW, AMESSAGE, WPARAM_, LPARAM_);
        return 0;
    case WM_MOUSEMOVE:
        SETOMX = mouse_x(LPARAM_);
        SETOMY = mouse_y(LPARAM_);
        GLMOUSEUPDATE(mouse_x(LPARAM_), mouse_y(LPARAM_));
        break;
    case WM_LBUTTONDOWN:
        ReleaseCapture();
        SetCapture(HWINDOW);
        LEFTMOUSEDOWN = true;
        LEFTMOUSEDOWN2 = true;
        XCOORD = mouse_x(LPARAM_);
        YCOORD = mouse_y(LPARAM_);
        SETMX = mouse_x(LPARAM_);
        SETMY = mouse_y(LPARAM_);
        break;
    case WM_LBUTTONUP:
        ReleaseCapture();
        LEFTMOUSEDOWN = false;
        LEFTMOUSEDOWN2 = false;
        XCOORD = 0;
        YCOORD = 0;
        SETMX = 0;
        SETMY = 0;
        break;
    case WM_RBUTTONDOWN:
        ReleaseCapture();
        SetCapture(HWINDOW);
        RIGHTMOUSEDOWN = true;
        RIGHTMOUSEDOWN2 = true;
        ZCOORD = mouse_y(LPARAM_);
        break;
    case WM_RBUTTONUP:
        ReleaseCapture();
        RIGHTMOUSEDOWN = false;
        RIGHTMOUSEDOWN2 = false;
        break;
    default:
        break;
    }
    if (WPARAM_ == 0) UpdateWindow(HSTATUS);
    return DefWindowProcA(WINDOW, AMESSAGE, WPARAM_, LPARAM_);
}

void SETGLMSG() {
    if (PeekMessageA(&MSG_, nullptr, 0, 0, PM_NOREMOVE)) {
        GetMessageA(&MSG_, nullptr, 0, 0);
        TranslateMessage(&MSG_);
        DispatchMessageA(&MSG_);
    }
}
