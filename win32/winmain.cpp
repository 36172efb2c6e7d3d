// The C entry point of a Win32 GUI program. On Windows the C runtime calls WinMain with the
// module instance, the command line after the program name and the show command the program
// was started with; here a program is always started to be shown normally.
#include <string>

#include "win32/windows.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);

int main(int argc, char** argv) {
    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) command_line += ' ';
        command_line += argv[i];
    }
    return WinMain(GetModuleHandleA(nullptr), nullptr, command_line.data(), SW_SHOWNORMAL);
}
