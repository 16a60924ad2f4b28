#pragma once
// The graphical front end's shared state and operations: the window (window.cpp),
// the activity log (activity_log.cpp), its box (log_box.cpp), the frame
// (frame.cpp) and the scan and clean workers (workers.cpp). The modules the
// window offers are the rows of gui_modules.h.
//
// Threads: the main thread owns the window, Nuklear and every frame; a worker
// touches only the log (through gui_log), the results while its own busy flag
// is set, and the few fields listed at the worker.

#include "engine/records.h"
#include "engine/win32_handle.h"
#include "gui/gdi_backend.h"
#include "gui/gui_metrics.h"
#include "gui/gui_modules.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

struct ItemsViewStart;

inline constexpr int GUI_WIDTH = 900;
inline constexpr int GUI_HEIGHT = 600;
// A full log drops its oldest lines but always keeps this much of the end,
// so a long clean's summary still shows after all its progress lines.
inline constexpr int ACTIVITY_LOG_KEEP = 1 << 20;
inline constexpr int ACTIVITY_LOG_CAPACITY = ACTIVITY_LOG_KEEP + (1 << 19);
// The log box edits at most this many bytes; appends keep one more byte free.
inline constexpr int ACTIVITY_LOG_LIMIT = ACTIVITY_LOG_CAPACITY - 1;

// What a running scan or clean has done so far, for the progress bar. Written
// by the worker, read by the frame, both under `lock`.
struct JobProgress {
    std::mutex lock;
    std::string title;  // "Scanning: Browser Cache (2 of 4)", "Cleaning: 3 of 12 items, 1.20 MB"
    std::string path;   // the item being cleaned, or empty
    std::uint64_t done = 0;
    std::uint64_t total = 0;
};

// What the right pane shows.
enum class ContentView { LOG, ITEMS };

struct GuiState {
    HWND window = nullptr;
    HDC window_dc = nullptr;  // released by the teardown
    nk_context* ui = nullptr;
    std::unique_ptr<BackendFont> font;

    std::atomic<bool> running{false};
    std::atomic<bool> scanning{false};  // set before the worker starts, cleared by it last
    std::atomic<bool> cleaning{false};
    std::atomic<bool> has_results{false};

    // Replaced by the scan worker while `scanning` is set; the frame reads it
    // whenever no scan runs. A clean worker writes only the items' outcomes,
    // under items_lock; the frame reads them under the same lock and changes
    // the ticks (`selected`) only while no worker runs.
    std::unique_ptr<ScanResults> scan_results;
    // The items view's first order of scan_results, held with them, and the
    // results_generation it is for: results held some other way have none.
    std::shared_ptr<ItemsViewStart> items_start;
    unsigned items_start_generation = 0;
    std::mutex items_lock;
    std::atomic<unsigned> results_generation{0};  // bumped when the held items are replaced
    std::atomic<std::uint64_t> result_items{0};
    std::atomic<std::uint64_t> result_size{0};

    // In GUI_MODULES order; Nuklear's check boxes write it every frame.
    ModuleSelection module_selected = gui_initial_selection();
    // The selection a running scan works from: copied from module_selected by
    // the main thread before the scan worker starts, read only by that worker.
    ModuleSelection scan_selection{};
    // The modules a running clean acts on, copied like scan_selection.
    ModuleSelection clean_selection{};

    // Set by Cancel or Escape while a worker runs; the worker stops between items.
    std::atomic<bool> cancel_requested{false};
    JobProgress progress;
    // Main thread only: the confirmation before a clean is showing, with its question.
    bool confirming = false;
    std::string confirmation_text;
    ContentView view = ContentView::LOG;

    std::mutex log_lock;  // guards activity_log, activity_log_length and log_dirty
    char activity_log[ACTIVITY_LOG_CAPACITY] = {};
    int activity_log_length = 0;
    bool log_dirty = false;
    std::atomic<bool> log_follow{false};  // asks the log box to show the end of the text

    UniqueHandle scan_thread;
    UniqueHandle clean_thread;

    float dpi_scale = 1.0f;
    GuiMetrics metrics;  // every layout measure at the window's DPI
    std::atomic<DWORD> operation_start_tick{0};
    std::atomic<DWORD> clean_done_tick{0};  // 0 until the first clean has finished

    // The outcome of the last clean, formatted by the clean worker; the status line
    // shows it from the end of that clean until the next scan starts.
    char status_text[256] = "🗑 Ready to scan";
    std::atomic<bool> clean_outcome_shown{false};  // from a clean's end until the next scan starts
    std::atomic<int> scan_done_minute{-1};         // local hour * 60 + minute of the last finished scan

    std::array<ModuleTally, GUI_MODULE_COUNT> module_tally{};
};

extern GuiState g_gui;

// A layout measure given at 96 dpi, at the window's DPI, to the nearest pixel.
inline float gui_scaled(float pixels) {
    return std::round(pixels * static_cast<float>(g_gui.metrics.dpi) / static_cast<float>(BASE_DPI));
}

// Window (window.cpp)
// Opens a window of width x height at 96 dpi, scaled to the window's DPI.
bool gui_init(int width, int height);
void gui_apply_style(nk_context* ui, const GuiMetrics& metrics);
LRESULT CALLBACK gui_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Dispatches the calling thread's waiting messages (a WM_QUIT ends `running`).
// With UNTIL_MOUSE_BUTTON a mouse button message ends the batch; returns true
// when messages were left waiting.
enum class PumpBatch { ALL, UNTIL_MOUSE_BUTTON };
bool gui_pump_messages(PumpBatch batch = PumpBatch::ALL);

// DPI (dpi.cpp)
int gui_window_dpi(HWND window);
std::unique_ptr<BackendFont> gui_font_for_dpi(int dpi);
// Makes `font` the window's font and rebuilds the metrics and the style for `dpi`.
void gui_use_font(std::unique_ptr<BackendFont> font, int dpi);
// A DPI change: new font, metrics and style, then the window to the
// suggested rectangle. False (and nothing changed) when no font could be made.
bool gui_rescale(HWND window, int dpi, const RECT& suggested);

// Activity log (activity_log.cpp). Appends never wait for the window: the
// frame loop redraws on its own clock while a worker runs.
void gui_log(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
// The progress slot during a clean: the modules' per-item messages (percent
// -1) become log lines; the driver's percentages are left to the progress bar.
void gui_progress(float percent, const char* message);

// Log box (log_box.cpp): the box's row of the frame, `height` pixels high, under log_lock.
void gui_log_box(int height);
// True while the box follows the end of new text, which keeps frames coming.
bool gui_log_box_following(DWORD now);

// Frame (frame.cpp)
void gui_run();
void gui_build_frame(int width, int height);
void gui_start_scan();
// Asks for the confirmation (Clean button, Control+L); the clean starts only
// when it is confirmed.
void gui_request_clean();
void gui_start_clean();
bool gui_can_clean();
bool gui_busy();

// Progress row (progress_bar.cpp) and the confirmation before a clean (confirm_dialog.cpp).
void gui_progress_row();
// While the confirmation shows, the widgets behind it see no mouse; the dialog
// gets the real input back.
void gui_mask_input_for_dialog();
void gui_confirm_dialog(int width, int height);
// Enter confirms, Escape cancels; every key is taken while it shows.
bool gui_confirm_key(WPARAM key);

// "Export plan…" (export_plan.cpp): the held scan as a JSON plan, through the save dialog.
void gui_export_plan();

// Workers (workers.cpp)
DWORD WINAPI scan_worker(LPVOID);
// Makes a scan's results the held ones, with the items view's first order of
// them, built first on the calling thread (the scan worker's).
void gui_hold_results(std::unique_ptr<ScanResults> results);
DWORD WINAPI clean_worker(LPVOID);
// The GUI_MODULES row whose "[id]" tag starts an item's description, or -1.
int gui_tally_entry(std::string_view description);
