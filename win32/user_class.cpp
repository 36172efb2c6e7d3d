// Window classes: registration, look-up by name or atom, and the system's own classes,
// registered before the program's first.
#include <cctype>
#include <map>

#include "win32/controls.h"
#include "win32/user_internal.h"

namespace win32::user {
namespace {

struct Classes {
    std::map<std::string, std::shared_ptr<WindowClass>> classes;  // by lower-case name
    ATOM next_atom = 0xC000;
    bool builtins = false;
};

Classes& classes() {
    static Classes c;
    return c;
}

ATOM register_class(const WNDCLASSEXA& wc) {
    if (!wc.lpszClassName || !wc.lpfnWndProc) return 0;
    if (IS_INTRESOURCE(wc.lpszClassName)) return 0;
    if (wc.cbClsExtra < 0 || wc.cbWndExtra < 0) return 0;
    register_builtin_classes();
    auto& s = classes();
    const std::string key = lower_case(wc.lpszClassName);
    if (key.empty()) return 0;
    if (s.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (s.next_atom == 0xFFFF) return 0;
    auto cls = std::make_shared<WindowClass>();
    cls->atom = s.next_atom++;
    cls->name = wc.lpszClassName;
    cls->style = wc.style;
    cls->proc = wc.lpfnWndProc;
    cls->class_extra = wc.cbClsExtra;
    cls->window_extra = wc.cbWndExtra;
    cls->instance = wc.hInstance;
    cls->icon = wc.hIcon;
    cls->icon_small = wc.hIconSm;
    cls->cursor = wc.hCursor;
    cls->background = wc.hbrBackground;
    if (wc.lpszMenuName) {
        cls->has_menu_name = true;
        if (!IS_INTRESOURCE(wc.lpszMenuName)) cls->menu_name = wc.lpszMenuName;
    }
    s.classes[key] = cls;
    return cls->atom;
}

}  // namespace

std::string lower_case(const char* s) {
    std::string out;
    for (; *s; ++s) out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(*s))));
    return out;
}

std::shared_ptr<WindowClass> find_class(LPCSTR name) {
    if (!name) return nullptr;
    auto& s = classes();
    if (IS_INTRESOURCE(name)) {
        const ATOM atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
        for (auto& [key, cls] : s.classes)
            if (cls->atom == atom) return cls;
        return nullptr;
    }
    auto it = s.classes.find(lower_case(name));
    return it == s.classes.end() ? nullptr : it->second;
}

void register_builtin_classes() {
    auto& s = classes();
    if (s.builtins) return;
    s.builtins = true;
    commctrl::register_classes();
}

}  // namespace win32::user

using namespace win32::user;

ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (!wc) return 0;
    WNDCLASSEXA ex{};
    ex.cbSize = sizeof(ex);
    ex.style = wc->style;
    ex.lpfnWndProc = wc->lpfnWndProc;
    ex.cbClsExtra = wc->cbClsExtra;
    ex.cbWndExtra = wc->cbWndExtra;
    ex.hInstance = wc->hInstance;
    ex.hIcon = wc->hIcon;
    ex.hCursor = wc->hCursor;
    ex.hbrBackground = wc->hbrBackground;
    ex.lpszMenuName = wc->lpszMenuName;
    ex.lpszClassName = wc->lpszClassName;
    return register_class(ex);
}

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc) return 0;
    // The record must say it is the record of this build. 48, its size in a 32-bit program, is
    // refused in a 64-bit one, as 64-bit Windows refuses it.
    if (wc->cbSize != sizeof(WNDCLASSEXA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return register_class(*wc);
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR name, WNDCLASSEXA* out) {
    register_builtin_classes();
    auto cls = find_class(name);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (!out) return FALSE;
    out->style = cls->style;
    out->lpfnWndProc = cls->proc;
    out->cbClsExtra = cls->class_extra;
    out->cbWndExtra = cls->window_extra;
    out->hInstance = cls->instance;
    out->hIcon = cls->icon;
    out->hCursor = cls->cursor;
    out->hbrBackground = cls->background;
    out->lpszMenuName = cls->has_menu_name ? cls->menu_name.c_str() : nullptr;
    out->lpszClassName = cls->name.c_str();
    out->hIconSm = cls->icon_small;
    return cls->atom;
}

BOOL UnregisterClassA(LPCSTR name, HINSTANCE) {
    auto cls = find_class(name);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    classes().classes.erase(lower_case(cls->name.c_str()));
    return TRUE;
}
