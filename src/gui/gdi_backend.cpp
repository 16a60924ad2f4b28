#include "gui/gdi_backend.h"

#include "gui/scoped_select.h"

#include <cmath>
#include <cstring>
#include <string>

namespace {

// Nuklear keys per virtual key; `with_ctrl` rows apply only while Control is held,
// `without_ctrl` rows only while it is not. Up, Down and Control itself are
// deliberately absent: the log box scrolls with the page keys.
struct KeyRow {
    WPARAM key;
    enum { ANY, WITH_CTRL, WITHOUT_CTRL } when;
    nk_keys first;
    nk_keys second;  // NK_KEY_NONE when the key feeds only one
};

static constexpr KeyRow KEY_TABLE[] = {
    {VK_SHIFT, KeyRow::ANY, NK_KEY_SHIFT, NK_KEY_NONE},
    {VK_LSHIFT, KeyRow::ANY, NK_KEY_SHIFT, NK_KEY_NONE},
    {VK_RSHIFT, KeyRow::ANY, NK_KEY_SHIFT, NK_KEY_NONE},
    {VK_DELETE, KeyRow::ANY, NK_KEY_DEL, NK_KEY_NONE},
    {VK_RETURN, KeyRow::ANY, NK_KEY_ENTER, NK_KEY_NONE},
    {VK_SEPARATOR, KeyRow::ANY, NK_KEY_ENTER, NK_KEY_NONE},
    {VK_TAB, KeyRow::ANY, NK_KEY_TAB, NK_KEY_NONE},
    {VK_BACK, KeyRow::ANY, NK_KEY_BACKSPACE, NK_KEY_NONE},
    {VK_LEFT, KeyRow::WITH_CTRL, NK_KEY_TEXT_WORD_LEFT, NK_KEY_NONE},
    {VK_LEFT, KeyRow::WITHOUT_CTRL, NK_KEY_LEFT, NK_KEY_NONE},
    {VK_RIGHT, KeyRow::WITH_CTRL, NK_KEY_TEXT_WORD_RIGHT, NK_KEY_NONE},
    {VK_RIGHT, KeyRow::WITHOUT_CTRL, NK_KEY_RIGHT, NK_KEY_NONE},
    {VK_HOME, KeyRow::WITHOUT_CTRL, NK_KEY_TEXT_START, NK_KEY_SCROLL_START},
    {VK_HOME, KeyRow::WITH_CTRL, NK_KEY_SCROLL_START, NK_KEY_NONE},  // the view only, as in Windows' text boxes
    {VK_END, KeyRow::WITHOUT_CTRL, NK_KEY_TEXT_END, NK_KEY_SCROLL_END},
    {VK_END, KeyRow::WITH_CTRL, NK_KEY_SCROLL_END, NK_KEY_NONE},
    {VK_NEXT, KeyRow::ANY, NK_KEY_SCROLL_DOWN, NK_KEY_NONE},
    {VK_PRIOR, KeyRow::ANY, NK_KEY_SCROLL_UP, NK_KEY_NONE},
    {'A', KeyRow::WITH_CTRL, NK_KEY_TEXT_SELECT_ALL, NK_KEY_NONE},
    {'C', KeyRow::WITH_CTRL, NK_KEY_COPY, NK_KEY_NONE},
    {'X', KeyRow::WITH_CTRL, NK_KEY_CUT, NK_KEY_NONE},
    {'V', KeyRow::WITH_CTRL, NK_KEY_PASTE, NK_KEY_NONE},
    {'Z', KeyRow::WITH_CTRL, NK_KEY_TEXT_UNDO, NK_KEY_NONE},
    {'R', KeyRow::WITH_CTRL, NK_KEY_TEXT_REDO, NK_KEY_NONE},
};

// Filled polygons are drawn from at most this many points.
constexpr int MAX_POLYGON_POINTS = 64;

struct BackendState {
    UniqueGdiObject back_buffer;
    HDC window_dc = nullptr;  // borrowed from the window; released by its owner
    HWND window = nullptr;    // the window of that DC, which owns what it copies
    UniqueMemoryDc memory_dc;
    unsigned width = 0;
    unsigned height = 0;
    nk_context context{};
    bool context_ready = false;
};

BackendState state;

COLORREF to_colorref(nk_color c) { return RGB(c.r, c.g, c.b); }

// A stroke of the given thickness: width 1 recolours the DC pen; anything
// thicker gets a pen of its own, made and deleted for this one command.
class ScopedPen {
public:
    ScopedPen(HDC dc, unsigned short thickness, nk_color colour) : dc_(dc) {
        if (thickness == 1) {
            SetDCPenColor(dc, to_colorref(colour));
        } else {
            pen_.reset(CreatePen(PS_SOLID, thickness, to_colorref(colour)));
            SelectObject(dc, pen_.get());
        }
    }
    ~ScopedPen() {
        if (pen_) SelectObject(dc_, GetStockObject(DC_PEN));  // deselect before the pen is deleted
    }
    ScopedPen(const ScopedPen&) = delete;
    ScopedPen& operator=(const ScopedPen&) = delete;

private:
    HDC dc_;
    UniqueGdiObject pen_;
};

// Filled shapes: brush and outline both in the fill colour.
void set_fill(HDC dc, nk_color colour) {
    SetDCBrushColor(dc, to_colorref(colour));
    SetDCPenColor(dc, to_colorref(colour));
}

void fill_opaque(HDC dc, int left, int top, int right, int bottom, nk_color colour) {
    RECT rect;
    SetRect(&rect, left, top, right, bottom);
    SetBkColor(dc, to_colorref(colour));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

POINT to_point(struct nk_vec2i v) { return POINT{v.x, v.y}; }

void draw_scissor(HDC dc, const nk_command_scissor* c) {
    SelectClipRgn(dc, nullptr);
    // One pixel further right and down than the scissor, as Nuklear's own clip rectangles expect.
    IntersectClipRect(dc, c->x, c->y, static_cast<int>(c->x + c->w + 1.0f), static_cast<int>(c->y + c->h + 1.0f));
}

void draw_rect(HDC dc, const nk_command_rect* c) {
    ScopedPen pen(dc, c->line_thickness, c->color);
    ScopedSelect hollow(dc, GetStockObject(NULL_BRUSH));
    if (c->rounding > 0) {
        RoundRect(dc, c->x, c->y, c->x + c->w, c->y + c->h, c->rounding, c->rounding);
    } else {
        Rectangle(dc, c->x, c->y, c->x + c->w, c->y + c->h);
    }
}

void draw_rect_filled(HDC dc, const nk_command_rect_filled* c) {
    if (c->rounding > 0) {
        set_fill(dc, c->color);
        RoundRect(dc, c->x, c->y, c->x + c->w, c->y + c->h, c->rounding, c->rounding);
    } else {
        fill_opaque(dc, c->x, c->y, c->x + c->w, c->y + c->h, c->color);
    }
}

COLOR16 channel(nk_byte value) { return static_cast<COLOR16>(value << 8); }

TRIVERTEX vertex(int x, int y, nk_color c) {
    return TRIVERTEX{x, y, channel(c.r), channel(c.g), channel(c.b), 0xFF00};
}

void draw_rect_multi_color(HDC dc, const nk_command_rect_multi_color* c) {
    TRIVERTEX vertices[4] = {vertex(c->x, c->y, c->left), vertex(c->x + c->w, c->y, c->top),
                             vertex(c->x, c->y + c->h, c->right), vertex(c->x + c->w, c->y + c->h, c->bottom)};
    GRADIENT_TRIANGLE triangles[2] = {{0, 1, 2}, {2, 1, 3}};
    GdiGradientFill(dc, vertices, 4, triangles, 2, GRADIENT_FILL_TRIANGLE);
}

// Pie geometry shared by both arcs: the second angle is the sweep added to the first.
void pie(HDC dc, short cx, short cy, unsigned short r, const float a[2]) {
    const int start_x = cx + static_cast<int>(r * std::cos(a[0] + a[1]));
    const int start_y = cy + static_cast<int>(r * std::sin(a[0] + a[1]));
    const int end_x = cx + static_cast<int>(r * std::cos(a[0]));
    const int end_y = cy + static_cast<int>(r * std::sin(a[0]));
    Pie(dc, cx - r, cy - r, cx + r, cy + r, start_x, start_y, end_x, end_y);
}

void draw_arc(HDC dc, const nk_command_arc* c) {
    ScopedSelect hollow(dc, GetStockObject(NULL_BRUSH));
    SetArcDirection(dc, AD_COUNTERCLOCKWISE);
    if (c->line_thickness == 1) {
        SetDCPenColor(dc, to_colorref(c->color));
        pie(dc, c->cx, c->cy, c->r, c->a);
        return;
    }
    const LOGBRUSH brush{BS_SOLID, to_colorref(c->color), 0};
    UniqueGdiObject pen(ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_SOLID, c->line_thickness, &brush, 0, nullptr));
    ScopedSelect wide(dc, pen.get());  // put back before the pen is deleted
    pie(dc, c->cx, c->cy, c->r, c->a);
}

void draw_polygon(HDC dc, const struct nk_vec2i* points, unsigned short count, bool closed) {
    if (count == 0) return;
    MoveToEx(dc, points[0].x, points[0].y, nullptr);
    for (unsigned short i = 1; i < count; ++i) LineTo(dc, points[i].x, points[i].y);
    if (closed) LineTo(dc, points[0].x, points[0].y);
}

void draw_polygon_filled(HDC dc, const nk_command_polygon_filled* c) {
    POINT points[MAX_POLYGON_POINTS];
    const int count = c->point_count < MAX_POLYGON_POINTS ? c->point_count : MAX_POLYGON_POINTS;
    for (int i = 0; i < count; ++i) points[i] = to_point(c->points[i]);
    set_fill(dc, c->color);
    Polygon(dc, points, count);
}

void draw_text(HDC dc, const nk_command_text* c) {
    if (c->length == 0 || !c->font) return;
    auto* font = static_cast<BackendFont*>(c->font->userdata.ptr);
    if (!font) return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, to_colorref(c->foreground));
    font->fonts.draw(dc, c->x, c->y, std::string_view(c->string, static_cast<std::size_t>(c->length)));
}

void draw_image(HDC dc, const nk_command_image* c) {
    const auto bitmap = static_cast<HBITMAP>(c->img.handle.ptr);
    if (!dc || !bitmap) return;
    UniqueMemoryDc source(CreateCompatibleDC(dc));
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    ScopedSelect selected(source.get(), bitmap);
    StretchBlt(dc, c->x, c->y, c->w, c->h, source.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}

void draw_shape(HDC dc, const nk_command* command) {
    switch (command->type) {
    case NK_COMMAND_CIRCLE: {
        const auto* c = reinterpret_cast<const nk_command_circle*>(command);
        ScopedPen pen(dc, c->line_thickness, c->color);
        ScopedSelect hollow(dc, GetStockObject(NULL_BRUSH));
        Ellipse(dc, c->x, c->y, c->x + c->w, c->y + c->h);
        break;
    }
    case NK_COMMAND_CIRCLE_FILLED: {
        const auto* c = reinterpret_cast<const nk_command_circle_filled*>(command);
        set_fill(dc, c->color);
        Ellipse(dc, c->x, c->y, c->x + c->w, c->y + c->h);
        break;
    }
    case NK_COMMAND_ARC_FILLED: {
        const auto* c = reinterpret_cast<const nk_command_arc_filled*>(command);
        set_fill(dc, c->color);
        pie(dc, c->cx, c->cy, c->r, c->a);
        break;
    }
    case NK_COMMAND_TRIANGLE: {
        const auto* c = reinterpret_cast<const nk_command_triangle*>(command);
        ScopedPen pen(dc, c->line_thickness, c->color);
        const POINT points[4] = {to_point(c->a), to_point(c->b), to_point(c->c), to_point(c->a)};
        Polyline(dc, points, 4);
        break;
    }
    case NK_COMMAND_TRIANGLE_FILLED: {
        const auto* c = reinterpret_cast<const nk_command_triangle_filled*>(command);
        const POINT points[3] = {to_point(c->a), to_point(c->b), to_point(c->c)};
        set_fill(dc, c->color);
        Polygon(dc, points, 3);
        break;
    }
    default:
        break;
    }
}

void draw_line_command(HDC dc, const nk_command* command) {
    switch (command->type) {
    case NK_COMMAND_LINE: {
        const auto* c = reinterpret_cast<const nk_command_line*>(command);
        ScopedPen pen(dc, c->line_thickness, c->color);
        MoveToEx(dc, c->begin.x, c->begin.y, nullptr);
        LineTo(dc, c->end.x, c->end.y);
        break;
    }
    case NK_COMMAND_CURVE: {
        const auto* c = reinterpret_cast<const nk_command_curve*>(command);
        ScopedPen pen(dc, c->line_thickness, c->color);
        const POINT points[4] = {to_point(c->begin), to_point(c->ctrl[0]), to_point(c->ctrl[1]), to_point(c->end)};
        PolyBezier(dc, points, 4);
        break;
    }
    case NK_COMMAND_POLYGON: {
        const auto* c = reinterpret_cast<const nk_command_polygon*>(command);
        ScopedPen pen(dc, c->line_thickness, c->color);
        draw_polygon(dc, c->points, c->point_count, true);
        break;
    }
    case NK_COMMAND_POLYLINE: {
        const auto* c = reinterpret_cast<const nk_command_polyline*>(command);
        ScopedPen pen(dc, c->line_thickness, c->color);
        draw_polygon(dc, c->points, c->point_count, false);
        break;
    }
    default:
        break;
    }
}

void draw_command(HDC dc, const nk_command* command) {
    switch (command->type) {
    case NK_COMMAND_SCISSOR: draw_scissor(dc, reinterpret_cast<const nk_command_scissor*>(command)); break;
    case NK_COMMAND_RECT: draw_rect(dc, reinterpret_cast<const nk_command_rect*>(command)); break;
    case NK_COMMAND_RECT_FILLED: draw_rect_filled(dc, reinterpret_cast<const nk_command_rect_filled*>(command)); break;
    case NK_COMMAND_RECT_MULTI_COLOR:
        draw_rect_multi_color(dc, reinterpret_cast<const nk_command_rect_multi_color*>(command));
        break;
    case NK_COMMAND_ARC: draw_arc(dc, reinterpret_cast<const nk_command_arc*>(command)); break;
    case NK_COMMAND_POLYGON_FILLED:
        draw_polygon_filled(dc, reinterpret_cast<const nk_command_polygon_filled*>(command));
        break;
    case NK_COMMAND_TEXT: draw_text(dc, reinterpret_cast<const nk_command_text*>(command)); break;
    case NK_COMMAND_IMAGE: draw_image(dc, reinterpret_cast<const nk_command_image*>(command)); break;
    case NK_COMMAND_LINE:
    case NK_COMMAND_CURVE:
    case NK_COMMAND_POLYGON:
    case NK_COMMAND_POLYLINE: draw_line_command(dc, command); break;
    default: draw_shape(dc, command); break;  // NOP and CUSTOM draw nothing there either
    }
}

void gdi_backend_blit(HDC dc) {
    BitBlt(dc, 0, 0, static_cast<int>(state.width), static_cast<int>(state.height), state.memory_dc.get(), 0, 0,
           SRCCOPY);
}

bool is_continuation_byte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
bool is_four_byte_lead(char c) { return (static_cast<unsigned char>(c) & 0xF8) == 0xF0; }

float backend_font_text_width(nk_handle handle, float, const char* text, int length) {
    auto* font = static_cast<BackendFont*>(handle.ptr);
    if (!font || !text) return 0.0f;
    // This Nuklear decodes no four-byte UTF-8 sequence (every emoji outside
    // the BMP): it walks one byte by byte and adds up their widths, to centre
    // a log line or to clamp a label. So the lead byte alone measures as the
    // whole character and each continuation byte as nothing. The bytes after
    // the lead are read only while they continue it; every text here ends in
    // a NUL, which stops the read.
    if (length == 1 && is_continuation_byte(text[0])) return 0.0f;
    if (length == 1 && is_four_byte_lead(text[0])) {
        while (length < 4 && is_continuation_byte(text[length])) ++length;
    }
    return static_cast<float>(font->fonts.width(std::string_view(text, static_cast<std::size_t>(length))));
}

void fill_user_font(BackendFont* font) {
    font->nk.userdata = nk_handle_ptr(font);
    font->nk.height = static_cast<float>(font->height);
    font->nk.width = backend_font_text_width;
}

// Owns an open clipboard for one scope, opened by the window: Windows gives
// the clipboard to the opener's window when it is emptied, and refuses
// SetClipboardData after an EmptyClipboard done without one.
class ClipboardSession {
public:
    ClipboardSession() : open_(OpenClipboard(state.window) != 0) {}
    ~ClipboardSession() {
        if (open_) CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    explicit operator bool() const { return open_; }

private:
    bool open_;
};

// Nuklear hands a selection over with its length in characters.
int utf8_bytes_of(const char* text, int characters) {
    int bytes = 0;
    for (int i = 0; i < characters && text[bytes] != '\0'; ++i) {
        ++bytes;
        while ((static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) ++bytes;
    }
    return bytes;
}

void backend_clipboard_copy(nk_handle, const char* text, int characters) {
    ClipboardSession clipboard;
    if (!clipboard) return;
    const int length = utf8_bytes_of(text, characters);
    const int units = MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0);
    if (units == 0) return;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (static_cast<SIZE_T>(units) + 1) * sizeof(wchar_t));
    if (!block) return;
    auto* wide = static_cast<wchar_t*>(GlobalLock(block));
    if (!wide) {
        GlobalFree(block);
        return;
    }
    MultiByteToWideChar(CP_UTF8, 0, text, length, wide, units);
    wide[units] = L'\0';
    GlobalUnlock(block);
    // Emptied first: text left beside the copy in other formats would be what
    // some programs paste, and emptying makes the window the owner, which is
    // also what offers the text to other X clients under Wine. Once set, the
    // block is the system's.
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
}

void backend_clipboard_paste(nk_handle, nk_text_edit* edit) {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return;
    ClipboardSession clipboard;
    if (!clipboard) return;
    HANDLE block = GetClipboardData(CF_UNICODETEXT);
    if (!block) return;
    const SIZE_T size = GlobalSize(block);
    if (size <= 1) return;
    const auto* wide = static_cast<const wchar_t*>(GlobalLock(block));
    if (!wide) return;
    // The terminating zero unit is left out.
    const int units = static_cast<int>((size - 1) / 2);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (bytes > 0) {
        std::string utf8(static_cast<std::size_t>(bytes), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8.data(), bytes, nullptr, nullptr);
        nk_textedit_paste(edit, utf8.data(), bytes);
    }
    GlobalUnlock(block);
}

bool control_held() { return (GetKeyState(VK_CONTROL) & 0x8000) != 0; }

int translate_key(WPARAM key, LPARAM lparam) {
    const bool down = (static_cast<DWORD>(lparam) & 0x80000000u) == 0;
    // Bit 30 marks a key-down that auto-repeats a held key. Nuklear counts a
    // press only when a key changes state, so a repeat is fed as a release
    // and a new press: a held Page Down keeps scrolling.
    const bool repeat = down && (static_cast<DWORD>(lparam) & 0x40000000u) != 0;
    const bool ctrl = control_held();
    int fed = 0;
    for (const KeyRow& row : KEY_TABLE) {
        if (row.key != key) continue;
        // A release lets go of every key the press may have set: Control can
        // change between the two, and a Nuklear key left down never fires again.
        if (down && ((row.when == KeyRow::WITH_CTRL && !ctrl) || (row.when == KeyRow::WITHOUT_CTRL && ctrl))) continue;
        for (const nk_keys which : {row.first, row.second}) {
            if (which == NK_KEY_NONE) continue;
            if (repeat) nk_input_key(&state.context, which, false);
            nk_input_key(&state.context, which, down);
        }
        fed = 1;
    }
    return fed;
}

// Signed, so a captured mouse outside the window gives negative positions.
int mouse_x(LPARAM lparam) { return static_cast<short>(LOWORD(lparam)); }
int mouse_y(LPARAM lparam) { return static_cast<short>(HIWORD(lparam)); }

void button(nk_buttons which, LPARAM lparam, bool down) {
    nk_input_button(&state.context, which, mouse_x(lparam), mouse_y(lparam), down);
}

int translate_mouse(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_MOUSEMOVE: nk_input_motion(&state.context, mouse_x(lparam), mouse_y(lparam)); return 1;
    case WM_LBUTTONDOWN: button(NK_BUTTON_LEFT, lparam, true); SetCapture(window); return 1;
    case WM_LBUTTONUP:
        button(NK_BUTTON_DOUBLE, lparam, false);
        button(NK_BUTTON_LEFT, lparam, false);
        ReleaseCapture();
        return 1;
    case WM_LBUTTONDBLCLK: button(NK_BUTTON_DOUBLE, lparam, true); return 1;
    case WM_RBUTTONDOWN: button(NK_BUTTON_RIGHT, lparam, true); SetCapture(window); return 1;
    case WM_RBUTTONUP: button(NK_BUTTON_RIGHT, lparam, false); ReleaseCapture(); return 1;
    case WM_MBUTTONDOWN: button(NK_BUTTON_MIDDLE, lparam, true); SetCapture(window); return 1;
    case WM_MBUTTONUP: button(NK_BUTTON_MIDDLE, lparam, false); ReleaseCapture(); return 1;
    case WM_MOUSEWHEEL:
        nk_input_scroll(&state.context, nk_vec2(0.0f, static_cast<float>(GET_WHEEL_DELTA_WPARAM(wparam)) / WHEEL_DELTA));
        return 1;
    default: return 0;
    }
}

void resize(LPARAM lparam) {
    const unsigned width = LOWORD(lparam);
    const unsigned height = HIWORD(lparam);
    if (width == state.width && height == state.height) return;
    UniqueGdiObject buffer(CreateCompatibleBitmap(state.window_dc, static_cast<int>(width), static_cast<int>(height)));
    SelectObject(state.memory_dc.get(), buffer.get());
    state.back_buffer = std::move(buffer);  // the old buffer, now deselected, is deleted here
    state.width = width;
    state.height = height;
}

void paint(HWND window) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    gdi_backend_blit(dc);
    EndPaint(window, &paint);
}

}  // namespace

std::unique_ptr<BackendFont> backend_font_create(const char* face, int height) {
    auto font = std::make_unique<BackendFont>(face, height);
    fill_user_font(font.get());
    return font;
}

nk_context* gdi_backend_init(BackendFont* font, HDC window_dc, unsigned width, unsigned height) {
    fill_user_font(font);
    state.back_buffer.reset(CreateCompatibleBitmap(window_dc, static_cast<int>(width), static_cast<int>(height)));
    state.window_dc = window_dc;
    state.window = WindowFromDC(window_dc);
    state.memory_dc.reset(CreateCompatibleDC(window_dc));
    state.width = width;
    state.height = height;
    SelectObject(state.memory_dc.get(), state.back_buffer.get());
    nk_init_default(&state.context, &font->nk);
    state.context.clip.copy = backend_clipboard_copy;
    state.context.clip.paste = backend_clipboard_paste;
    state.context.clip.userdata = nk_handle_ptr(nullptr);
    state.context_ready = true;
    return &state.context;
}

void gdi_backend_set_font(BackendFont* font) {
    fill_user_font(font);
    nk_style_set_font(&state.context, &font->nk);
}

int gdi_backend_handle_event(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_SIZE: resize(lparam); return 0;
    case WM_PAINT: paint(window); return 1;
    case WM_CHAR:
        if (wparam < 32) return 0;  // control characters: their keys arrive as WM_KEYDOWN
        nk_input_unicode(&state.context, static_cast<nk_rune>(wparam));
        return 1;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: return translate_key(wparam, lparam);
    default: return translate_mouse(window, message, wparam, lparam);
    }
}

void gdi_backend_render(nk_color clear) {
    HDC dc = state.memory_dc.get();
    SelectObject(dc, GetStockObject(DC_PEN));
    SelectObject(dc, GetStockObject(DC_BRUSH));
    fill_opaque(dc, 0, 0, static_cast<int>(state.width), static_cast<int>(state.height), clear);
    const nk_command* command = nullptr;
    nk_foreach(command, &state.context) draw_command(dc, command);
    gdi_backend_blit(state.window_dc);
    nk_clear(&state.context);
}

void gdi_backend_shutdown() {
    state.memory_dc.reset();
    state.back_buffer.reset();
    if (state.context_ready) nk_free(&state.context);
    state.context_ready = false;
}
