// Frame times of the real window's items view with many rows, and the memory
// the view takes per row beyond the items themselves. Opens the window (run it
// under Xvfb or on a desktop), fills the held results with synthetic items and
// drives the view the way the message loop does: Page Down, the wheel, a
// click on the Size header and on the Path header (sorts), typing into the
// filter, then a second scan's results while that sort and filter hold. Each
// frame is timed from its input to the picture on the window.
// Build: ninja -C build items_view_frames
// Run:   wine build/items_view_frames.exe [rows, default 1000000]

#include "gui/gui_state.h"
#include "gui/items_view.h"
#include "gui/layout.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Client points of the 900x600 layout.
constexpr int SIZE_HEADER_X = 657, PATH_HEADER_X = 480, HEADER_Y = 78;
constexpr int FILTER_X = 600, FILTER_Y = 52;
constexpr int LIST_X = 560, LIST_Y = 300;

double now_ms() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::size_t private_bytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    // Wine leaves PrivateUsage at 0; PagefileUsage counts the same private commit.
    return counters.PagefileUsage;
}

std::unique_ptr<ScanResults> make_items(std::size_t rows) {
    auto results = std::make_unique<ScanResults>();
    std::srand(1);
    for (std::size_t i = 0; i < rows; ++i) {
        CleanItem item;
        item.path = "C:\\Users\\bench\\AppData\\Local\\Temp\\folder" + std::to_string(i % 977) + "\\file" +
                    std::to_string(i) + ".log";
        item.description = "[temp_files] Temporary file";
        item.size = static_cast<std::uint64_t>(std::rand()) * 37;
        results->total_size += item.size;
        results->items.push_back(std::move(item));
    }
    results->total_items = rows;
    return results;
}

// Holds the results as the scan worker does: the view's first order is built
// first, on this thread (the worker's). Its time in ms.
double hold(std::unique_ptr<ScanResults> results) {
    const double start = now_ms();
    g_gui.scan_selection = g_gui.module_selected;
    gui_hold_results(std::move(results));
    return now_ms() - start;
}

struct Message {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

// One frame as the loop makes it, with these messages as its input; its time in ms.
double frame(std::initializer_list<Message> messages = {}) {
    const double start = now_ms();
    nk_input_begin(g_gui.ui);
    for (const Message& m : messages) gui_window_proc(g_gui.window, m.message, m.wparam, m.lparam);
    gui_pump_messages();
    nk_input_end(g_gui.ui);
    gui_build_frame(GUI_WIDTH, GUI_HEIGHT);
    gdi_backend_render(nk_rgb(15, 23, 42));
    GdiFlush();
    return now_ms() - start;
}

// A press and a release, each in a frame of its own; their sum in ms. Each
// frame's time goes to `frames` when given.
double click(int x, int y, std::vector<double>* frames = nullptr) {
    const LPARAM at = MAKELPARAM(x, y);
    const double press = frame({{WM_MOUSEMOVE, 0, at}, {WM_LBUTTONDOWN, MK_LBUTTON, at}});
    const double release = frame({{WM_LBUTTONUP, 0, at}});
    if (frames) frames->insert(frames->end(), {press, release});
    return press + release;
}

// The frames from a click on a header until its sort shows; their sum in ms.
// `peak` is the most memory seen between frames meanwhile.
double sort_by(int header_x, std::vector<double>& times, std::size_t& peak) {
    double sort = click(header_x, HEADER_Y, &times);
    while (gui_items_working()) {
        peak = std::max(peak, private_bytes());
        times.push_back(frame());
        sort += times.back();
    }
    return sort;
}

void report(const char* phase, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const auto at = [&](double share) { return times[std::min(times.size() - 1, static_cast<std::size_t>(share * times.size()))]; };
    std::printf("| %s | %zu | %.2f | %.2f | %.2f |\n", phase, times.size(), at(0.5), at(0.99), times.back());
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    if (!gui_init(GUI_WIDTH, GUI_HEIGHT)) return 1;
    frame();
    const std::size_t before_items = private_bytes();
    auto results = make_items(rows);
    const std::size_t with_items = private_bytes();
    const double first_held = hold(std::move(results));
    const double first = frame();  // takes the view built when the items were held

    std::printf("| phase | frames | p50 ms | p99 ms | max ms |\n|---|---|---|---|---|\n");
    std::vector<double> times;
    for (int i = 0; i < 300; ++i) times.push_back(frame({{WM_KEYDOWN, VK_NEXT, 1}}));
    report("Page Down", times);
    times.clear();
    const LPARAM over_list = MAKELPARAM(LIST_X, LIST_Y);
    frame({{WM_MOUSEMOVE, 0, over_list}});
    for (int i = 0; i < 300; ++i) times.push_back(frame({{WM_MOUSEWHEEL, static_cast<WPARAM>(MAKEWPARAM(0, -WHEEL_DELTA)), over_list}}));
    report("wheel", times);
    times.clear();
    for (int i = 0; i < 300; ++i) times.push_back(frame({{WM_KEYDOWN, VK_UP, 1}}));
    report("arrow keys", times);
    times.clear();
    for (int i = 0; i < 100; ++i) times.push_back(frame());
    report("idle redraw", times);
    const std::size_t after_frames = private_bytes();

    times.clear();
    std::size_t size_sort_peak = 0, path_sort_peak = 0;
    const double sort = sort_by(SIZE_HEADER_X, times, size_sort_peak);
    report("sort by size (press, release, every frame until sorted)", times);
    click(FILTER_X, FILTER_Y);
    times.clear();
    // A keystroke's frame, then the frames that apply the filter over time.
    std::vector<double> until_shown;
    for (wchar_t c : std::wstring(L"file12")) {
        double total = frame({{WM_CHAR, c, 1}});
        times.push_back(total);
        while (gui_items_working()) {
            times.push_back(frame());
            total += times.back();
        }
        until_shown.push_back(total);
    }
    report("filter keystroke", times);
    const std::size_t after_sort = private_bytes();
    times.clear();
    const std::size_t before_path_sort = private_bytes();
    const double path_sort = sort_by(PATH_HEADER_X, times, path_sort_peak);
    report("sort by path (press, release, every frame until sorted)", times);
    const std::size_t after_path_sort = private_bytes();

    // A second scan while the path sort and the filter hold: its view is sorted and filtered from its first frame.
    const double second_held = hold(make_items(rows));  // the first scan's items are freed here too
    const double second_first = frame();
    times.clear();
    for (int i = 0; i < 100; ++i) times.push_back(frame());
    report("idle redraw after the second scan", times);

    std::printf("\nrows: %zu; held in %.1f ms (the scan worker's share); first frame: %.1f ms; sort by size, from the press "
                "to the rows sorted: %.1f ms\n", rows, first_held, first, sort);
    std::printf("sort by path, from the press to the rows sorted: %.1f ms\n", path_sort);
    std::printf("second scan (sorted by path, filtered): held in %.1f ms (the scan worker's share), first frame %.1f ms\n",
                second_held, second_first);
    std::printf("filter keystroke to its rows shown, ms:");
    for (double t : until_shown) std::printf(" %.1f", t);
    std::printf("\n");
    std::printf("items: %.1f bytes per row; the view beyond the items: %.1f bytes per row after scrolling, "
                "%.1f after a sort and a filter, %.1f after a path sort\n",
                static_cast<double>(with_items - before_items) / static_cast<double>(rows),
                static_cast<double>(after_frames - with_items) / static_cast<double>(rows),
                static_cast<double>(after_sort - with_items) / static_cast<double>(rows),
                static_cast<double>(after_path_sort - with_items) / static_cast<double>(rows));
    const auto above = [&](std::size_t peak, std::size_t base) { return static_cast<double>(peak > base ? peak - base : 0) / static_cast<double>(rows); };
    std::printf("while sorting, at most: %.1f bytes per row more by size, %.1f more by path\n", above(size_sort_peak, after_frames),
                above(path_sort_peak, before_path_sort));
    g_gui.running = false;
    return 0;
}
