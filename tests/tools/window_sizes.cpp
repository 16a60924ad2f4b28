// Reports the sizes of the running twk window as Win32 sees them (Wine sets
// no X size hints, so only Win32 can tell what the window allows):
// prints "client W H", "minimum W H" (the client area WM_GETMINMAXINFO allows),
// then "shrunk W H" after a resize to 100x100 through SetWindowPos, and puts
// the window back.
#include <windows.h>

#include <cstdio>

namespace {

SIZE client_size(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

void print(const char* what, SIZE size) { std::printf("%s %ld %ld\n", what, size.cx, size.cy); }

}  // namespace

int main() {
    HWND window = nullptr;
    for (int i = 0; i < 100 && !window; ++i, Sleep(100)) window = FindWindowW(L"NuklearWindowClass", L"Tidewick");
    if (!window) return 2;
    const SIZE client = client_size(window);
    print("client", client);
    RECT before{};
    GetWindowRect(window, &before);
    // The frame is what the window rectangle holds beyond the client area.
    const SIZE frame{before.right - before.left - client.cx, before.bottom - before.top - client.cy};
    MINMAXINFO limits{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    print("minimum", {limits.ptMinTrackSize.x - frame.cx, limits.ptMinTrackSize.y - frame.cy});
    SetWindowPos(window, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Sleep(300);
    print("shrunk", client_size(window));
    SetWindowPos(window, nullptr, 0, 0, before.right - before.left, before.bottom - before.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}
