#pragma once
// Drives the real frame with a real Nuklear context and the GDI back end, on
// a message-only window (there is no display): messages go straight to
// gdi_backend_handle_event, one frame per batch, the way the frame's message
// pump would deliver them.

#include "gui/gui_state.h"

#include <cstring>
#include <initializer_list>
#include <string>

struct WindowMessage {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

inline LPARAM at(int x, int y) { return MAKELPARAM(x, y); }
inline WindowMessage key_down(WPARAM key) { return {WM_KEYDOWN, key, 1}; }
inline WindowMessage key_up(WPARAM key) { return {WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u)}; }

// Resets the shared log to `text` (or empty).
inline void set_log(const std::string& text) {
    std::lock_guard guard(g_gui.log_lock);
    std::memset(g_gui.activity_log, 0, sizeof g_gui.activity_log);
    std::memcpy(g_gui.activity_log, text.data(), text.size());
    g_gui.activity_log_length = static_cast<int>(text.size());
}

inline std::string log_text() {
    std::lock_guard guard(g_gui.log_lock);
    return std::string(g_gui.activity_log, static_cast<std::size_t>(g_gui.activity_log_length));
}

// Holds or releases Control for GetKeyState, as a real key press would.
inline void hold_control(bool held) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = held ? 0x80 : 0;
    SetKeyboardState(keys);
}

class FrameHarness {
public:
    // The window's font, metrics and style at `dpi`; the client area is the
    // scaled 900x600 unless given.
    explicit FrameHarness(int dpi = BASE_DPI, SIZE client = {}) {
        size_ = client.cx ? client : SIZE{gui_scale(GUI_WIDTH, dpi), gui_scale(GUI_HEIGHT, dpi)};
        window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        screen_ = GetDC(window_);
        auto font = gui_font_for_dpi(dpi);
        g_gui.ui = gdi_backend_init(font.get(), screen_, static_cast<unsigned>(size_.cx), static_cast<unsigned>(size_.cy));
        gui_use_font(std::move(font), dpi);
    }
    ~FrameHarness() {
        hold_control(false);
        gdi_backend_shutdown();
        g_gui.ui = nullptr;
        g_gui.font.reset();
        ReleaseDC(window_, screen_);
        DestroyWindow(window_);
    }
    FrameHarness(const FrameHarness&) = delete;
    FrameHarness& operator=(const FrameHarness&) = delete;

    // One frame with these messages as its input; returns what the back end consumed.
    int frame(std::initializer_list<WindowMessage> messages = {}) {
        int consumed = 0;
        nk_input_begin(g_gui.ui);
        for (const WindowMessage& m : messages) consumed += gdi_backend_handle_event(nullptr, m.message, m.wparam, m.lparam);
        nk_input_end(g_gui.ui);
        gui_build_frame(size_.cx, size_.cy);
        gdi_backend_render(nk_rgb(15, 23, 42));
        return consumed;
    }
    // Builds one frame without input and hands each command to `visit`
    // before the frame is drawn.
    template <typename Visit>
    void visit_commands(Visit visit) {
        nk_input_begin(g_gui.ui);
        nk_input_end(g_gui.ui);
        gui_build_frame(size_.cx, size_.cy);
        const nk_command* command = nullptr;
        nk_foreach(command, g_gui.ui) visit(*command);
        gdi_backend_render(nk_rgb(15, 23, 42));
    }
    // A press and a release, each in a frame of its own, as the pump delivers them.
    void click(int x, int y) {
        frame({{WM_MOUSEMOVE, 0, at(x, y)}, {WM_LBUTTONDOWN, MK_LBUTTON, at(x, y)}});
        frame({{WM_LBUTTONUP, 0, at(x, y)}});
    }
    // One WM_CHAR per UTF-16 unit, as TranslateMessage produces them.
    void type(const std::wstring& text) {
        for (wchar_t c : text) frame({{WM_CHAR, static_cast<WPARAM>(c), 1}});
    }
    void control_key(WPARAM key) {
        hold_control(true);
        frame({key_down(key), {WM_CHAR, key - 'A' + 1, 1}, key_up(key)});
        hold_control(false);
    }
    // A new client size, as WM_SIZE brings it.
    void resize(SIZE client) {
        size_ = client;
        gdi_backend_handle_event(window_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.cx, client.cy));
    }
    HWND window() const { return window_; }
    nk_edit_state& edit_state() { return nk_window_find(g_gui.ui, "Tidewick")->edit; }

private:
    SIZE size_{};
    HWND window_ = nullptr;
    HDC screen_ = nullptr;
};

// A point inside the log box, below any short text.
inline constexpr int LOG_X = 500;
inline constexpr int LOG_Y = 400;
