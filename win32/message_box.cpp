// MessageBoxA: the MB_ flags turned into the box a host shows, decided here once so that every
// host offers the same buttons and gives the same answers to Enter, Escape and the close.
#include "win32/host.h"
#include "win32/internal.h"
#include "win32/user_internal.h"

namespace win32::user {
namespace {

// The buttons of each box type, left to right, labelled as Win32 labels them. OK and Cancel
// have no mnemonic: Enter and Escape are their keys.
const BoxButton kOk{IDOK, "OK"};
const BoxButton kCancel{IDCANCEL, "Cancel"};
const BoxButton kAbort{IDABORT, "&Abort"};
const BoxButton kRetry{IDRETRY, "&Retry"};
const BoxButton kIgnore{IDIGNORE, "&Ignore"};
const BoxButton kYes{IDYES, "&Yes"};
const BoxButton kNo{IDNO, "&No"};
const BoxButton kTryAgain{IDTRYAGAIN, "&Try Again"};
const BoxButton kContinue{IDCONTINUE, "&Continue"};

BoxIcon icon_of(UINT flags) {
    switch (flags & MB_ICONMASK) {
        case MB_ICONHAND: return BoxIcon::error;
        case MB_ICONQUESTION: return BoxIcon::question;
        case MB_ICONEXCLAMATION: return BoxIcon::warning;
        case MB_ICONASTERISK: return BoxIcon::information;
        default: return BoxIcon::none;
    }
}

// The box MessageBoxA shows for these flags (text, caption and owner aside).
MessageBoxDesc describe(UINT flags) {
    MessageBoxDesc box;
    box.flags = flags;
    // A box with a Cancel button is cancelled by Escape and by its close button. A box without
    // one keeps its close button disabled and ignores Escape: it is answered with a button,
    // except the lone OK box, which Escape and the close answer with OK.
    switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL:
            box.buttons = {kOk, kCancel};
            box.escape_answer = box.close_answer = IDCANCEL;
            break;
        case MB_ABORTRETRYIGNORE:
            box.buttons = {kAbort, kRetry, kIgnore};
            break;
        case MB_YESNOCANCEL:
            box.buttons = {kYes, kNo, kCancel};
            box.escape_answer = box.close_answer = IDCANCEL;
            break;
        case MB_YESNO:
            box.buttons = {kYes, kNo};
            break;
        case MB_RETRYCANCEL:
            box.buttons = {kRetry, kCancel};
            box.escape_answer = box.close_answer = IDCANCEL;
            break;
        case MB_CANCELTRYCONTINUE:
            box.buttons = {kCancel, kTryAgain, kContinue};
            box.escape_answer = box.close_answer = IDCANCEL;
            break;
        default:  // MB_OK, and the types Win32 does not define
            box.buttons = {kOk};
            box.escape_answer = box.close_answer = IDOK;
            break;
    }
    // MB_DEFBUTTONn names the n-th button; one the box does not have leaves the first.
    const size_t requested = (flags & MB_DEFMASK) >> 8;
    box.default_button = requested < box.buttons.size() ? static_cast<int>(requested) : 0;
    box.icon = icon_of(flags);
    return box;
}

}  // namespace
}  // namespace win32::user

using namespace win32;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    // A box cannot be owned by a window that is gone: it is not shown.
    user::Window* owner_window = nullptr;
    if (owner && !(owner_window = user::find_or_fail(owner))) return 0;
    MessageBoxDesc box = user::describe(type);
    box.text = text ? text : "";
    box.caption = caption ? caption : "Error";
    // A child window's box belongs to the top-level window it is in.
    if (user::Window* top = user::top_level_of(owner_window)) box.owner = top->surface;
    const int answer = host().message_box(box);
    // A box that was shown but lacked something (its font) says so too, without failing.
    internal::report_host_failure("MessageBoxA", answer == 0 ? ERROR_NOT_ENOUGH_MEMORY : ERROR_SUCCESS);
    return answer;
}
