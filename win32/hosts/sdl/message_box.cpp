// The box's text is drawn with the first usable TrueType font (DejaVu Sans where installed);
// its icon is a coloured disc with a glyph. The window runs its own event loop, polling, and
// hands every event that is not its own back to the host in arrival order.
#include "win32/hosts/sdl/message_box.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "win32/hosts/sdl/text.h"
#include "win32/hosts/sdl/window_manager.h"

#ifndef LUMORA_FONT_DIR
#define LUMORA_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace win32::sdl {

// ---- buttons and keys ----------------------------------------------------------------------

std::string box_label_text(const std::string& label) {
    std::string text;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&' && ++i == label.size()) break;  // a lone '&' at the end shows nothing
        text += label[i];                                    // "&x" shows x, "&&" shows '&'
    }
    return text;
}

SDL_Keycode box_mnemonic(const std::string& label) {
    for (size_t i = 0; i + 1 < label.size(); ++i) {
        if (label[i] != '&') continue;
        const unsigned char c = static_cast<unsigned char>(label[i + 1]);
        if (c == '&') {
            ++i;
            continue;
        }
        // SDL names a letter or digit key by the lower-case character it types.
        if (c < 0x80 && std::isalnum(c)) return static_cast<SDL_Keycode>(std::tolower(c));
        return SDLK_UNKNOWN;
    }
    return SDLK_UNKNOWN;
}

BoxFocus box_focus(const MessageBoxDesc& box) {
    const int count = static_cast<int>(box.buttons.size());
    return BoxFocus{box.default_button >= 0 && box.default_button < count ? box.default_button : 0};
}

int box_key(const MessageBoxDesc& box, BoxFocus& focus, SDL_Keycode key, Uint16 modifiers) {
    const int count = static_cast<int>(box.buttons.size());
    if (count == 0) return 0;
    focus.focused = std::clamp(focus.focused, 0, count - 1);
    switch (key) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_SPACE:
            return box.buttons[focus.focused].answer;
        case SDLK_ESCAPE:
            return box.escape_answer;
        case SDLK_TAB:
            focus.focused = (modifiers & KMOD_SHIFT) ? (focus.focused + count - 1) % count
                                                     : (focus.focused + 1) % count;
            return 0;
        case SDLK_LEFT:
        case SDLK_UP:
            focus.focused = (focus.focused + count - 1) % count;
            return 0;
        case SDLK_RIGHT:
        case SDLK_DOWN:
            focus.focused = (focus.focused + 1) % count;
            return 0;
        default:
            break;
    }
    if (modifiers & (KMOD_CTRL | KMOD_GUI)) return 0;
    for (const BoxButton& button : box.buttons) {
        const SDL_Keycode mnemonic = box_mnemonic(button.label);
        if (mnemonic != SDLK_UNKNOWN && mnemonic == key) return button.answer;
    }
    return 0;
}

int box_close_answer(const MessageBoxDesc& box) { return box.close_answer; }

int box_quit_answer(const MessageBoxDesc& box) {
    return box.close_answer != 0 ? box.close_answer : box_default_answer(box);
}

int box_default_answer(const MessageBoxDesc& box) {
    if (box.buttons.empty()) return 0;
    return box.buttons[box_focus(box).focused].answer;
}

// ---- layout --------------------------------------------------------------------------------

std::vector<BoxRect> box_button_rects(int window_w, int window_h, int count) {
    std::vector<BoxRect> rects;
    if (count <= 0) return rects;
    int total = count * kBoxButtonWidth + (count - 1) * kBoxButtonGap;
    int x = (window_w - total) / 2;
    int y = window_h - (kBoxButtonBand + kBoxButtonHeight) / 2;
    for (int i = 0; i < count; ++i) {
        rects.push_back({x, y, kBoxButtonWidth, kBoxButtonHeight});
        x += kBoxButtonWidth + kBoxButtonGap;
    }
    return rects;
}

BoxLayout box_layout(int text_w, int text_h, bool icon, int button_count) {
    BoxLayout layout;
    text_w = std::max(text_w, 0);
    text_h = std::max(text_h, 0);
    int content_w = text_w + (icon ? kBoxIconSize + kBoxIconGap : 0);
    int content_h = std::max(text_h, icon ? kBoxIconSize : 0);
    int buttons_w = button_count * kBoxButtonWidth + std::max(button_count - 1, 0) * kBoxButtonGap;
    layout.width = std::max({content_w + 2 * kBoxMargin, buttons_w + 2 * kBoxMargin, kBoxMinWidth});
    layout.height = content_h + 2 * kBoxMargin + kBoxButtonBand;
    int x = kBoxMargin;
    if (icon) {
        layout.icon = {x, kBoxMargin + (content_h - kBoxIconSize) / 2, kBoxIconSize, kBoxIconSize};
        x += kBoxIconSize + kBoxIconGap;
    }
    layout.text = {x, kBoxMargin + (content_h - text_h) / 2, text_w, text_h};
    return layout;
}

// ---- the box -------------------------------------------------------------------------------

namespace {

constexpr int kFontSize = 15;

// Looks for a usable TrueType font: DejaVu Sans first, then any .ttf in the usual places.
std::string find_font() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path preferred = fs::path(LUMORA_FONT_DIR) / "DejaVuSans.ttf";
    if (fs::is_regular_file(preferred, ec)) return preferred.string();

    std::vector<fs::path> roots = {LUMORA_FONT_DIR, "/usr/share/fonts", "/usr/local/share/fonts"};
    if (const char* home = std::getenv("HOME")) roots.emplace_back(fs::path(home) / ".fonts");
    std::string fallback;
    for (const fs::path& root : roots) {
        int visited = 0;
        fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::recursive_directory_iterator() && visited < 20000; it.increment(ec), ++visited) {
            const fs::path& p = it->path();
            std::string ext = p.extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
            if (ext != ".ttf" || !it->is_regular_file(ec)) continue;
            std::string name = p.filename().string();
            if (name.find("Sans") != std::string::npos && name.find("Bold") == std::string::npos &&
                name.find("Oblique") == std::string::npos && name.find("Italic") == std::string::npos) {
                return p.string();
            }
            if (fallback.empty()) fallback = p.string();
        }
        ec.clear();
        if (!fallback.empty()) return fallback;
    }
    return fallback;
}

constexpr int kIconFontSize = 22;

// Why a font could not be opened, kept until a box hands it on.
Failure& font_failure() {
    static Failure failure;
    return failure;
}

// The fonts of every box of the run, for text and for icon glyphs; nullptr when there is
// none (boxes then show no text).
TTF_Font* open_font(int size) {
    static bool tried = false;
    static std::string path;
    if (!tried) {
        tried = true;
        if (!TTF_WasInit() && TTF_Init() != 0) {
            font_failure() = {"TTF_Init", TTF_GetError()};
        } else {
            path = find_font();
            if (path.empty()) {
                font_failure() = {"TTF_OpenFont", "no TrueType font in " LUMORA_FONT_DIR
                                                  ", /usr/share/fonts, /usr/local/share/fonts or ~/.fonts"};
            }
        }
    }
    if (path.empty()) return nullptr;
    TTF_Font* font = TTF_OpenFont(path.c_str(), size);
    if (!font) font_failure() = {"TTF_OpenFont", path + ": " + TTF_GetError()};
    return font;
}

TTF_Font* box_font() {
    static TTF_Font* font = open_font(kFontSize);
    return font;
}

TTF_Font* icon_font() {
    static TTF_Font* font = open_font(kIconFontSize);
    return font;
}

int text_width(TTF_Font* font, const std::string& text) {
    int w = 0, h = 0;
    if (!font || text.empty() || TTF_SizeUTF8(font, text.c_str(), &w, &h) != 0) return 0;
    return w;
}

struct IconStyle {
    SDL_Color colour;
    const char* glyph;
};

std::optional<IconStyle> icon_style(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::error: return IconStyle{{0xC4, 0x2B, 0x1C, 0xFF}, "X"};
        case BoxIcon::question: return IconStyle{{0x1F, 0x5F, 0xBF, 0xFF}, "?"};
        case BoxIcon::warning: return IconStyle{{0xE8, 0xA3, 0x00, 0xFF}, "!"};
        case BoxIcon::information: return IconStyle{{0x1F, 0x5F, 0xBF, 0xFF}, "i"};
        case BoxIcon::none: break;
    }
    return std::nullopt;
}

class Box {
public:
    explicit Box(const MessageBoxDesc& box)
        : box_(box), focus_(box_focus(box)), icon_(icon_style(box.icon)) {
        font_ = box_font();
        for (const BoxButton& button : box_.buttons) labels_.push_back(cp1252_to_utf8(box_label_text(button.label)));
        const std::string text = cp1252_to_utf8(box_.text);
        int screen_w = 1024, screen_h = 768;
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
            screen_w = mode.w;
            screen_h = mode.h;
        }
        const int wrap_width = std::clamp(screen_w * 3 / 5, 160, 900);
        lines_ = wrap_text(text, wrap_width, [this](const std::string& s) { return text_width(font_, s); });
        line_height_ = std::max(1, font_ ? TTF_FontLineSkip(font_) : kFontSize + 4);
        // However long the text, the box fits on the screen: over-long words are clipped
        // and lines beyond the screen's height end in an ellipsis.
        const int icon_w = icon_ ? kBoxIconSize + kBoxIconGap : 0;
        const int max_text_w = std::max(100, screen_w - 2 * kBoxMargin - icon_w - 16);
        const size_t max_lines =
            static_cast<size_t>(std::max(1, (screen_h - 2 * kBoxMargin - kBoxButtonBand - 60) / line_height_));
        if (lines_.size() > max_lines) {
            lines_.resize(max_lines);
            lines_.back() = "\xE2\x80\xA6";
        }
        int text_w = 0;
        for (const std::string& line : lines_) text_w = std::max(text_w, text_width(font_, line));
        text_w = std::min(text_w, max_text_w);
        layout_ = box_layout(text_w, line_height_ * static_cast<int>(lines_.size()), icon_.has_value(),
                             static_cast<int>(box_.buttons.size()));
        buttons_ = box_button_rects(layout_.width, layout_.height, static_cast<int>(box_.buttons.size()));
    }

    ~Box() {
        if (!display_lost().empty()) return;  // nothing is asked of a display that is gone
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) {
            unwatch_window(window_);
            SDL_DestroyWindow(window_);
        }
    }

    bool open(SDL_Window* owner, Failure& failure) {
        const std::string caption = cp1252_to_utf8(box_.caption);
        window_ = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, layout_.width,
                                   layout_.height, SDL_WINDOW_HIDDEN | SDL_WINDOW_ALWAYS_ON_TOP);
        if (!window_) {
            failure = {"SDL_CreateWindow", SDL_GetError()};
            return false;
        }
        id_ = SDL_GetWindowID(window_);
        watch_window(window_);
        // Software drawing needs a framebuffer the video driver gives the window itself, which
        // SDL's x11 driver does and its wayland and kmsdrm drivers do not: there the box draws
        // with an accelerated renderer over a GL context of its own (see run_message_box for
        // the caller's context).
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (!renderer_) {
            const std::string software = SDL_GetError();
            renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
            if (!renderer_) {
                failure = {"SDL_CreateRenderer", software + "; accelerated: " + SDL_GetError()};
                return false;
            }
        }
        dress_as_dialog(window_, owner, box_close_answer(box_) != 0);
        if (!guarded([this] { SDL_ShowWindow(window_); })) return true;  // run() answers at once
        dialog_shown(window_, owner);
        take_focus(window_);
        draw();
        return true;
    }

    // The event loop; returns the answer.
    int run(std::deque<SDL_Event>& others) {
        int answer = 0;
        bool dirty = false;
        while (answer == 0) {
            // With the display gone nobody can answer: the box ends as a request to end the
            // program would end it.
            if (!display_lost().empty()) return box_quit_answer(box_);
            if (dirty) {
                draw();
                dirty = false;
            }
            // Polled, not waited for: while SDL waits it may post a wake-up message to a
            // window over a second X connection, and once the box is answered and its window
            // destroyed, that message can reach the server after the window is gone; the
            // resulting BadWindow error would end the program in Xlib's default handler.
            SDL_Event ev;
            int got = 0;
            if (!guarded([&] { got = SDL_PollEvent(&ev); })) continue;  // the loss, at the top
            if (!got) {
                SDL_Delay(10);
                continue;
            }
            switch (ev.type) {
                case SDL_QUIT:
                    // The program is asked to end: the box ends as its close button would
                    // end it (with its default button where it has none) and the request is
                    // left for the main loop.
                    answer = box_quit_answer(box_);
                    others.push_back(ev);
                    break;
                case SDL_WINDOWEVENT:
                    if (ev.window.windowID != id_) {
                        others.push_back(ev);
                    } else if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
                        answer = box_close_answer(box_);  // 0: a box without a close stays up
                    } else if (ev.window.event == SDL_WINDOWEVENT_MINIMIZED) {
                        // A box offers no minimize; a window manager that minimizes it
                        // anyway gets it back at once, with the keyboard, so that the
                        // program is never left waiting on a box nobody sees.
                        guarded([this] { SDL_RestoreWindow(window_); });
                        take_focus(window_);
                        dirty = true;
                    } else {
                        dirty = true;
                    }
                    break;
                case SDL_KEYDOWN:
                    if (!mine(ev.key.windowID)) {
                        others.push_back(ev);
                    } else if (!ev.key.repeat) {
                        answer = box_key(box_, focus_, ev.key.keysym.sym, ev.key.keysym.mod);
                        dirty = true;
                    }
                    break;
                case SDL_KEYUP:
                    if (!mine(ev.key.windowID)) others.push_back(ev);
                    break;
                case SDL_TEXTINPUT:
                    if (!mine(ev.text.windowID)) others.push_back(ev);
                    break;
                case SDL_TEXTEDITING:
                    if (!mine(ev.edit.windowID)) others.push_back(ev);
                    break;
                case SDL_MOUSEWHEEL:
                    if (ev.wheel.windowID != id_) others.push_back(ev);
                    break;
                case SDL_MOUSEMOTION:
                    if (ev.motion.windowID != id_) {
                        others.push_back(ev);
                    } else if (pressed_ >= 0) {
                        dirty = true;
                        hover_ = hit(ev.motion.x, ev.motion.y);
                    }
                    break;
                case SDL_MOUSEBUTTONDOWN:
                case SDL_MOUSEBUTTONUP:
                    if (ev.button.windowID != id_) {
                        others.push_back(ev);
                    } else if (ev.button.button == SDL_BUTTON_LEFT) {
                        answer = click(ev.button.state == SDL_PRESSED, ev.button.x, ev.button.y);
                        dirty = true;
                    }
                    break;
                default:
                    others.push_back(ev);
                    break;
            }
        }
        return answer;
    }

private:
    bool mine(Uint32 window_id) const { return window_id == id_ || window_id == 0; }

    int hit(int x, int y) const {
        for (size_t i = 0; i < buttons_.size(); ++i) {
            if (buttons_[i].contains(x, y)) return static_cast<int>(i);
        }
        return -1;
    }

    // A button answers when the press and the release are both on it.
    int click(bool down, int x, int y) {
        int index = hit(x, y);
        if (down) {
            pressed_ = hover_ = index;
            if (index >= 0) focus_.focused = index;
            return 0;
        }
        int answer = (pressed_ >= 0 && index == pressed_) ? box_.buttons[index].answer : 0;
        pressed_ = hover_ = -1;
        return answer;
    }

    void fill(const BoxRect& r, Uint8 red, Uint8 green, Uint8 blue) {
        SDL_SetRenderDrawColor(renderer_, red, green, blue, 0xFF);
        SDL_Rect rect{r.x, r.y, r.w, r.h};
        SDL_RenderFillRect(renderer_, &rect);
    }

    void outline(const BoxRect& r, int thickness, Uint8 red, Uint8 green, Uint8 blue) {
        SDL_SetRenderDrawColor(renderer_, red, green, blue, 0xFF);
        for (int i = 0; i < thickness; ++i) {
            SDL_Rect rect{r.x + i, r.y + i, r.w - 2 * i, r.h - 2 * i};
            SDL_RenderDrawRect(renderer_, &rect);
        }
    }

    // Draws UTF-8 text with its top-left corner at (x, y), or centred in `centre`.
    void text(const std::string& s, int x, int y, SDL_Color colour, const BoxRect* centre = nullptr,
              TTF_Font* font = nullptr) {
        if (!font) font = font_;
        if (!font || s.empty()) return;
        SDL_Surface* surface = TTF_RenderUTF8_Blended(font, s.c_str(), colour);
        if (!surface) return;
        SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer_, surface);
        if (texture) {
            SDL_Rect dst{x, y, surface->w, surface->h};
            if (centre) {
                dst.x = centre->x + (centre->w - surface->w) / 2;
                dst.y = centre->y + (centre->h - surface->h) / 2;
            }
            SDL_RenderCopy(renderer_, texture, nullptr, &dst);
            SDL_DestroyTexture(texture);
        }
        SDL_FreeSurface(surface);
    }

    void draw_icon() {
        if (!icon_) return;
        const BoxRect& r = layout_.icon;
        const SDL_Color& c = icon_->colour;
        SDL_SetRenderDrawColor(renderer_, c.r, c.g, c.b, 0xFF);
        const double radius = r.w / 2.0;
        for (int row = 0; row < r.h; ++row) {
            double dy = row + 0.5 - radius;
            double half = std::sqrt(std::max(0.0, radius * radius - dy * dy));
            int x0 = r.x + static_cast<int>(std::lround(radius - half));
            int x1 = r.x + static_cast<int>(std::lround(radius + half)) - 1;
            if (x1 >= x0) SDL_RenderDrawLine(renderer_, x0, r.y + row, x1, r.y + row);
        }
        text(icon_->glyph, 0, 0, SDL_Color{0xFF, 0xFF, 0xFF, 0xFF}, &r, icon_font());
    }

    void draw() {
        if (!renderer_) return;
        const SDL_Color black{0, 0, 0, 0xFF};
        fill({0, 0, layout_.width, layout_.height}, 0xFF, 0xFF, 0xFF);
        fill({0, layout_.height - kBoxButtonBand, layout_.width, kBoxButtonBand}, 0xF0, 0xF0, 0xF0);
        draw_icon();
        int y = layout_.text.y;
        const SDL_Rect clip{layout_.text.x, layout_.text.y, layout_.text.w, layout_.text.h};
        SDL_RenderSetClipRect(renderer_, &clip);
        for (const std::string& line : lines_) {
            text(line, layout_.text.x, y, black);
            y += line_height_;
        }
        SDL_RenderSetClipRect(renderer_, nullptr);
        for (size_t i = 0; i < buttons_.size(); ++i) {
            const BoxRect& r = buttons_[i];
            const bool down = pressed_ == static_cast<int>(i) && hover_ == pressed_;
            if (down) {
                fill(r, 0xCC, 0xE4, 0xF7);
            } else {
                fill(r, 0xE1, 0xE1, 0xE1);
            }
            if (focus_.focused == static_cast<int>(i)) {
                outline(r, 2, 0x00, 0x78, 0xD7);
            } else {
                outline(r, 1, 0xAD, 0xAD, 0xAD);
            }
            text(labels_[i], 0, 0, black, &r);
        }
        SDL_RenderPresent(renderer_);
    }

    const MessageBoxDesc& box_;
    std::vector<std::string> labels_;  // UTF-8, without the mnemonic marks
    BoxFocus focus_;
    std::optional<IconStyle> icon_;
    TTF_Font* font_ = nullptr;
    std::vector<std::string> lines_;
    int line_height_ = 0;
    BoxLayout layout_;
    std::vector<BoxRect> buttons_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    Uint32 id_ = 0;
    int pressed_ = -1;
    int hover_ = -1;
};

}  // namespace

int run_message_box(const MessageBoxDesc& box, SDL_Window* owner, std::deque<SDL_Event>& others, Failure& failure) {
    SDL_Window* gl_window = SDL_GL_GetCurrentWindow();
    SDL_GLContext gl_context = SDL_GL_GetCurrentContext();
    int answer = 0;
    {
        Box window(box);
        if (window.open(owner, failure)) answer = window.run(others);
    }
    if (answer != 0 && font_failure()) {
        failure = font_failure();
        font_failure() = {};
    }
    // A box drawn with GL made its own context current and deleted it: the caller's context
    // (or none) is current again, on the caller's window.
    if (display_lost().empty() &&
        (SDL_GL_GetCurrentContext() != gl_context || SDL_GL_GetCurrentWindow() != gl_window)) {
        SDL_GL_MakeCurrent(gl_context ? gl_window : nullptr, gl_context);
    }
    return answer;
}

void print_message_box(const std::string& caption, const std::string& text) {
    std::string line = caption + ": " + text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace win32::sdl
