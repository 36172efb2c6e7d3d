// How Win32 message boxes behave, type by type: their buttons left to right with Win32's
// labels, the answer Enter gives at first under each MB_DEFBUTTONn, and what Escape and the
// close button answer (0: they do nothing). The Win32 layer's tests check the description
// MessageBoxA hands a host against it; the desktop host's tests check that a box run from
// such a description answers the same.
#pragma once

#include <string>
#include <vector>

#include "win32/host.h"
#include "win32/windows.h"

namespace message_box_table {

struct Kind {
    const char* name;
    UINT type;  // the MB_ type bits
    std::vector<win32::BoxButton> buttons;
    const char* letters;  // the letter that presses each button, ' ' for a button without one
    int enter[4];         // Enter's answer at first under MB_DEFBUTTON1 .. MB_DEFBUTTON4
    int escape;
    int close;
};

constexpr UINT kDefaultButtons[4] = {MB_DEFBUTTON1, MB_DEFBUTTON2, MB_DEFBUTTON3, MB_DEFBUTTON4};

// The icon each MB_ICON value shows.
struct Icon {
    UINT flag;
    win32::BoxIcon icon;
};
constexpr Icon kIcons[] = {{0, win32::BoxIcon::none},
                           {MB_ICONHAND, win32::BoxIcon::error},
                           {MB_ICONQUESTION, win32::BoxIcon::question},
                           {MB_ICONEXCLAMATION, win32::BoxIcon::warning},
                           {MB_ICONASTERISK, win32::BoxIcon::information}};

inline const std::vector<Kind>& kinds() {
    static const std::vector<Kind> table = {
        {"MB_OK", MB_OK, {{IDOK, "OK"}}, " ", {IDOK, IDOK, IDOK, IDOK}, IDOK, IDOK},
        {"MB_OKCANCEL", MB_OKCANCEL, {{IDOK, "OK"}, {IDCANCEL, "Cancel"}}, "  ",
         {IDOK, IDCANCEL, IDOK, IDOK}, IDCANCEL, IDCANCEL},
        {"MB_ABORTRETRYIGNORE", MB_ABORTRETRYIGNORE, {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}},
         "ari", {IDABORT, IDRETRY, IDIGNORE, IDABORT}, 0, 0},
        {"MB_YESNOCANCEL", MB_YESNOCANCEL, {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}}, "yn ",
         {IDYES, IDNO, IDCANCEL, IDYES}, IDCANCEL, IDCANCEL},
        {"MB_YESNO", MB_YESNO, {{IDYES, "&Yes"}, {IDNO, "&No"}}, "yn",
         {IDYES, IDNO, IDYES, IDYES}, 0, 0},
        {"MB_RETRYCANCEL", MB_RETRYCANCEL, {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}}, "r ",
         {IDRETRY, IDCANCEL, IDRETRY, IDRETRY}, IDCANCEL, IDCANCEL},
        {"MB_CANCELTRYCONTINUE", MB_CANCELTRYCONTINUE,
         {{IDCANCEL, "Cancel"}, {IDTRYAGAIN, "&Try Again"}, {IDCONTINUE, "&Continue"}}, " tc",
         {IDCANCEL, IDTRYAGAIN, IDCONTINUE, IDCANCEL}, IDCANCEL, IDCANCEL},
        // Types Win32 does not define show an OK box.
        {"type 7", 7, {{IDOK, "OK"}}, " ", {IDOK, IDOK, IDOK, IDOK}, IDOK, IDOK},
        {"type 15", 15, {{IDOK, "OK"}}, " ", {IDOK, IDOK, IDOK, IDOK}, IDOK, IDOK},
    };
    return table;
}

// The row of a type (unknown types have the last row's behaviour: an OK box).
inline const Kind& kind_of(UINT flags) {
    for (const Kind& kind : kinds())
        if (kind.type == (flags & MB_TYPEMASK)) return kind;
    return kinds().back();
}

// The index of the button giving `answer`, -1 when there is none.
inline int index_of(const Kind& kind, int answer) {
    for (size_t i = 0; i < kind.buttons.size(); ++i)
        if (kind.buttons[i].answer == answer) return static_cast<int>(i);
    return -1;
}

// A box of these flags as this table has it, for driving a host directly.
inline win32::MessageBoxDesc box(const std::string& text, const std::string& caption, UINT flags,
                                 win32::NativeSurface* owner = nullptr) {
    const Kind& kind = kind_of(flags);
    win32::MessageBoxDesc desc;
    desc.text = text;
    desc.caption = caption;
    desc.flags = flags;
    desc.buttons = kind.buttons;
    const UINT requested = (flags & MB_DEFMASK) >> 8;
    desc.default_button = index_of(kind, kind.enter[requested < 4 ? requested : 0]);
    desc.escape_answer = kind.escape;
    desc.close_answer = kind.close;
    for (const Icon& icon : kIcons)
        if (icon.flag == (flags & MB_ICONMASK)) desc.icon = icon.icon;
    desc.owner = owner;
    return desc;
}

}  // namespace message_box_table
