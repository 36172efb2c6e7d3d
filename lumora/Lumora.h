// Lumora: the in-house graphics library under the buggy viewer. Window and GL context host,
// message pump and input state, projection, lights and materials, texture loading, the
// reflection effect and shaped image buttons. Procedural: free procedures over unit-level
// state, plain records, the system's own upper-case names.
#pragma once

#include <cstdint>
#include <string>

#include "lumora/Platform.h"

// ---------------------------------------------------------------------------------------
// Scalar kinds of the library
// ---------------------------------------------------------------------------------------
typedef int32_t LONGINT;
typedef uint32_t LONGWORD;
typedef int32_t LONGBOOL;  // false = 0, true = all bits set
typedef float SINGLE;
typedef double REAL;
typedef char* PCHAR;

constexpr LONGBOOL LONGBOOL_TRUE = -1;

// ---------------------------------------------------------------------------------------
// Window settings and shared state (window host)
// ---------------------------------------------------------------------------------------
// Cursor types
constexpr LONGINT ARROW = 1;
constexpr LONGINT IBEAM = 2;
constexpr LONGINT WAIT = 3;
constexpr LONGINT CROSS = 4;
constexpr LONGINT UPARROW = 5;
constexpr LONGINT SIZE_ = 6;  // SIZE is the Win32 size record
constexpr LONGINT FILECURSOR = 7;
constexpr LONGINT SIZENWSE = 8;
constexpr LONGINT SIZENESW = 9;
constexpr LONGINT SIZEWE = 10;
constexpr LONGINT SIZENS = 11;
constexpr LONGINT SIZEALL = 12;
constexpr LONGINT NOCURSOR = 13;
constexpr LONGINT HAND = 14;
constexpr LONGINT APPSTARTING = 15;
constexpr LONGINT HELP = 16;
// Icon types
constexpr LONGINT GENERIC = 1;
constexpr LONGINT FILEICON = 2;
// Axis layouts of SETGLMOUSEMOVE
constexpr LONGINT GL_M0 = 0;
constexpr LONGINT GL_MX = 1;
constexpr LONGINT GL_MY = 2;
constexpr LONGINT GL_MZ = 3;

constexpr int MAXKEY = 500;        // SETKEY covers virtual-key codes 0..500
constexpr int MAXSTATUSITEMS = 20; // STATUSITEM / EDGES hold parts 1..20

struct TVERTEX {
    SINGLE X, Y, Z;
};

typedef void (*TPROCEDURE)();
typedef LRESULT (*TWINDOWPROC)(HWND, UINT, WPARAM, LPARAM);

// Window and context
extern HWND HWINDOW;
extern HDC DCWINDOW;
extern HGLRC RCWINDOW;
extern LONGINT WIDTH, HEIGHT, BITS;
extern bool FULLSCREEN;
extern bool ACTIVE;
extern MSG MSG_;
extern WNDCLASSEXA WINDOWCLASSEX;

// Window settings
extern LONGINT SETTYPECURSOR;
extern PCHAR CURSORFILE;
extern LONGINT SETTYPEICON;
extern PCHAR ICONFILE;

// Optional menu and status bar
extern bool SHOWMENUBAR;
extern TPROCEDURE CREATEMENUBAR;
extern TPROCEDURE CREATEMOUSEMENU;
extern TWINDOWPROC GETINPUTCOMMAND;
extern bool SHOWSTATUSBAR;
extern HWND HSTATUS;
extern HWND AWND;
extern char FILENAME[261];
extern LONGINT STATUSITEM[MAXSTATUSITEMS + 1];  // index 1..20 used
extern LONGINT EDGES[MAXSTATUSITEMS + 1];       // index 1..20 used
extern LONGINT MAXSTATUSITEM;

// Keyboard and mouse input
extern LONGBOOL SETKEY[MAXKEY + 1];
extern bool LEFTMOUSEDOWN, LEFTMOUSEDOWN2;
extern bool RIGHTMOUSEDOWN, RIGHTMOUSEDOWN2;
extern bool MOUSEFREE;
extern LONGINT SETMX, SETMY, SETOMX, SETOMY;
extern LONGINT XCOORD, YCOORD, ZCOORD;
extern SINGLE XROT, YROT, XROT2, YROT2;
extern SINGLE DEPTH, DEPTH2;
extern POINT MPOS;
extern LONGINT MSPEED;
extern TVERTEX MY;

// Other unit variables
extern LONGWORD START;
// The show command the program was started with; the entry point sets it, the main window
// is shown with it.
extern LONGINT CMDSHOW;
extern bool FOGONOFF;
extern const std::string LUMOVERSION;

void OGLWINDOWSETTING(LONGINT TYPECURSOR, PCHAR CURFILE, LONGINT TYPEICON, PCHAR ICOFILE);
[[noreturn]] void THROWERROR(const char* PCERRORMESSAGE);

// ---------------------------------------------------------------------------------------
// Window creation and GL context
// ---------------------------------------------------------------------------------------
bool CREATEOGLWINDOW(const char* APPNAME, LONGINT APPWIDTH, LONGINT APPHEIGHT, LONGINT APPBITS, bool APPFULLSCREEN);
void DELETEOGLWINDOW();
bool WINDOWREGISTER();
HWND WINDOWCREATE(const char* PCAPPLICATIONNAME);
bool WINDOWINIT(HWND HPARENT);
HWND CREATESTATUSBAR(HWND PARENT);

// ---------------------------------------------------------------------------------------
// Window procedure, input state and message pump
// ---------------------------------------------------------------------------------------
LRESULT CALLBACK GLWNDPROC(HWND WINDOW, UINT AMESSAGE, WPARAM WPARAM_, LPARAM LPARAM_);
void SETGLMSG();

// ---------------------------------------------------------------------------------------
// Mouse-driven model rotation
// ---------------------------------------------------------------------------------------
void SETGLMOUSEMOVE(LONGINT XYZ, LONGINT SPEED);
void GLMOUSEUPDATE(LONGINT X, LONGINT Y);  // the mouse-move update, called by GLWNDPROC

// ---------------------------------------------------------------------------------------
// Projection setup
// ---------------------------------------------------------------------------------------
void OPENGL_INIT(REAL DEPTH, REAL A, REAL R, REAL G, REAL B);
void OPENGL_I2D(REAL A, REAL R, REAL G, REAL B);
void SETPOSXY(SINGLE X, SINGLE Y);

// ---------------------------------------------------------------------------------------
// Lights, materials and normals
// ---------------------------------------------------------------------------------------
struct TGLRGB2 {
    SINGLE R, G, B;
};
struct TGLMATERIAL {
    TGLRGB2 AMB, DIF, SPEC, EMIS;
    SINGLE SHINE;
};
extern const GLfloat AMBIENTLIGHT[4];
extern const GLfloat DIFFUSELIGHT[4];
extern const GLfloat SPECULARLIGHT[4];
extern GLfloat LIGHTPOSITION[4];

void SETGLLIGHT(GLenum NLIGHT, SINGLE L0, SINGLE L1, SINGLE L2, SINGLE L3);
void PUTGLPOINTLIGHT(GLenum NLIGHT, SINGLE SIZE_, SINGLE LX, SINGLE LY, SINGLE LZ, SINGLE LVAL);
void SETGLNEWMAT(SINGLE AMBR, SINGLE AMBG, SINGLE AMBB, SINGLE DIFR, SINGLE DIFG, SINGLE DIFB, SINGLE SPECR,
                 SINGLE SPECG, SINGLE SPECB, SINGLE EMISR, SINGLE EMISG, SINGLE EMISB, SINGLE SHINE);
void INVERTNORMAL3F(SINGLE X, SINGLE Y, SINGLE Z);

// ---------------------------------------------------------------------------------------
// Sphere mapping, sprites and the refraction effect
// ---------------------------------------------------------------------------------------
void TEXTUREAUTOMAPON();
void TEXTUREAUTOMAPOFF();
void SETGLREFRACTIVE();
void SETGLSPRITE(bool LIGHT);
void SETGLSPRITEOFF();
void FX_REFRACTBEGIN();
void FX_REFRACTEND();

// ---------------------------------------------------------------------------------------
// TGA file reader
// ---------------------------------------------------------------------------------------
struct TGATEXTURE {
    GLubyte* IMAGEDATA;
    LONGWORD BPP;
    LONGWORD WIDTH;
    LONGWORD HEIGHT;
    LONGWORD TEXID;
    LONGWORD TYP;
};
struct TTGAHEADER {
    GLubyte HEADER[12];
};
struct TTGA {
    GLubyte HEADER[6];
    LONGWORD BYTESPERPIXEL;
    LONGWORD IMAGESIZE;
    LONGWORD TYP;
    LONGWORD HEIGH;
    LONGWORD WIDTH;
    LONGWORD BPP;
};
extern TTGAHEADER TGAHEADER;
extern TTGA TGA;
extern const GLubyte UTGACOMPARE[12];
extern const GLubyte CTGACOMPARE[12];

bool LOADTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME);
bool LOADUNCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME);
bool LOADCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME);

// ---------------------------------------------------------------------------------------
// Texture loading and selection
// ---------------------------------------------------------------------------------------
constexpr int MAXTEXTURESLOT = 200;
extern TGATEXTURE TEXTURETGA;
extern TGATEXTURE TEXTURETGA2[MAXTEXTURESLOT + 1];
extern LONGWORD TEXTUREID;

void TEXTURELOADTGA(const std::string& TGAFILE);
void TEXTURELOADTGAID(const std::string& TGAFILE, LONGINT NUM);
void TEXTURETGASELECTID(LONGINT NUM);
void TEXTURELOAD(const char* BMPFILE);
void SWAPRGB(void* DATA, LONGINT SIZE_);

// ---------------------------------------------------------------------------------------
// Bitmap loading and bitmap-to-region
// ---------------------------------------------------------------------------------------
constexpr LONGINT ALLOC_UNIT = 100;
HBITMAP LOADBMPFROMFILE(const std::string& FILENAME, HPALETTE& PAL);
HRGN BITMAPTOREGION(const std::string& BMPNAME, COLORREF TRANSCOLOR, BYTE TOLERANCE);

// ---------------------------------------------------------------------------------------
// Hover image button
// ---------------------------------------------------------------------------------------
extern std::string BMPTYPE;
LRESULT CALLBACK HOVERBUTTONHANDLER(HWND WND, UINT IMSG, WPARAM WPARAM_, LPARAM LPARAM_);
