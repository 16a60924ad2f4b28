#pragma once
// Nuklear over GDI for one Win32 window.
//
// Implements: a pair of GDI fonts as Nuklear's font, the UI font for what it
// has and the emoji font for the rest (font_runs.h); every Nuklear command drawn into an off-screen
// bitmap, presented with one BitBlt per frame; scissor clipping; UTF-8 text;
// bitmap images; mouse, wheel, character and key messages turned into Nuklear
// input; back-buffer resizing; UTF-8 clipboard copy and paste.
//
// Limits: alpha is dropped (translucent colours draw opaque), filled polygons
// use at most 64 points, image sub-regions are ignored, Up/Down arrows and
// Control are not translated. All of it runs on the GUI thread; no locks.

#include "gui/nuklear_config.h"

#include "engine/win32_handle.h"
#include "gui/font_runs.h"

#include <windows.h>

#include <memory>

// The window's font, lent to Nuklear as its nk_user_font. Replaced only when
// the window's DPI changes.
struct BackendFont {
    BackendFont(const char* face, int height) : fonts(face, height), height(fonts.height()) {}
    FontPair fonts;
    nk_user_font nk{};
    int height = 0;  // cell height of the UI font (tmHeight)
};

// A font of `face` at `height` pixels; a face the system lacks is substituted
// by the font mapper. Null only when the record cannot be made.
std::unique_ptr<BackendFont> backend_font_create(const char* face, int height);
// Creates the back buffer and the Nuklear context (with clipboard callbacks;
// the window of `window_dc` owns what is copied).
nk_context* gdi_backend_init(BackendFont* font, HDC window_dc, unsigned width, unsigned height);
void gdi_backend_set_font(BackendFont* font);
// Feeds a window message to Nuklear; 1 when it was consumed.
int gdi_backend_handle_event(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Draws the context's commands over `clear`, presents them and clears the context.
void gdi_backend_render(nk_color clear);
void gdi_backend_shutdown();
