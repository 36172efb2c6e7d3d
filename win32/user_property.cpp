// Window properties: SetPropA, GetPropA, RemovePropA. Names compare without case; an atom
// (MAKEINTRESOURCE) names a property of its own.
#include <string>

#include "win32/user_internal.h"

using namespace win32::user;

namespace {

std::string prop_key(LPCSTR name) {
    if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
    return lower_case(name);
}

}  // namespace

BOOL SetPropA(HWND hwnd, LPCSTR name, HANDLE data) {
    Window* w = find_or_fail(hwnd);
    if (!w || !name) return FALSE;
    const std::string key = prop_key(name);
    for (auto& [k, v] : w->props)
        if (k == key) {
            v = data;
            return TRUE;
        }
    w->props.emplace_back(key, data);
    return TRUE;
}

HANDLE GetPropA(HWND hwnd, LPCSTR name) {
    Window* w = find_or_fail(hwnd);
    if (!w || !name) return nullptr;
    const std::string key = prop_key(name);
    for (auto& [k, v] : w->props)
        if (k == key) return v;
    return nullptr;
}

HANDLE RemovePropA(HWND hwnd, LPCSTR name) {
    Window* w = find_or_fail(hwnd);
    if (!w || !name) return nullptr;
    const std::string key = prop_key(name);
    for (auto it = w->props.begin(); it != w->props.end(); ++it)
        if (it->first == key) {
            HANDLE v = it->second;
            w->props.erase(it);
            return v;
        }
    return nullptr;
}
