#include "app/entry.h"

#include "app/fatal_error.h"
#include "gui/gui_state.h"

namespace {

// How long the teardown waits for a worker before it hides the window.
constexpr DWORD WORKER_WAIT_MS = 5000;

// Waits for a thread while dispatching this thread's messages: every gui_log
// of a worker waits in UpdateWindow until the main thread has painted, so a
// plain wait would hold a reporting worker until the limit. True when it ended.
bool wait_dispatching(HANDLE thread, DWORD limit_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        DWORD remaining = INFINITE;
        if (limit_ms != INFINITE) remaining = elapsed >= limit_ms ? 0 : limit_ms - elapsed;
        const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, remaining, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) return true;
        if (woke != WAIT_OBJECT_0 + 1) return false;  // time is up (or the wait failed)
        gui_pump_messages();
    }
}

// A worker that has not ended within its wait is outwaited, not abandoned: it
// still reads the held results and writes the log and the window, all of which
// the rest of the teardown releases, and stopping a clean halfway would leave
// the user not knowing what was deleted. The window is hidden first so the
// program looks closed at once; the process ends when the worker is done.
void finish_worker(UniqueHandle& thread) {
    if (!thread) return;
    if (!wait_dispatching(thread.get(), WORKER_WAIT_MS)) {
        if (g_gui.window) ShowWindow(g_gui.window, SW_HIDE);
        wait_dispatching(thread.get(), INFINITE);
    }
    thread.reset();
}

void tear_down_window() {
    finish_worker(g_gui.scan_thread);
    finish_worker(g_gui.clean_thread);
    g_gui.scan_results.reset();
    g_gui.items_start.reset();
    if (g_gui.ui) gdi_backend_shutdown();
    g_gui.ui = nullptr;
    if (g_gui.window_dc && g_gui.window) ReleaseDC(g_gui.window, g_gui.window_dc);
    g_gui.window_dc = nullptr;
    if (g_gui.window) DestroyWindow(g_gui.window);
    g_gui.window = nullptr;
}

}  // namespace

int run_graphical_front_end() {
    if (!gui_init(GUI_WIDTH, GUI_HEIGHT)) fatal_error("GUI Error", "Failed to initialize graphical interface");
    gui_run();
    tear_down_window();
    return 0;
}
