// The program's window: minimised, filled by a read-only text list, it runs the job once after
// it is first shown and then closes itself, which ends the process.
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "Unit1.h"

namespace {

// Posted right after the window is shown; waiting for WM_SHOWWINDOW is unreliable under wine.
constexpr UINT kRunJob = WM_APP + 1;
constexpr int kMemoId = 1;

struct Window {
    TForm1* form = nullptr;
    HWND memo = nullptr;
    bool shown = false;
};

std::wstring MemoText(const std::vector<std::u16string>& lines) {
    std::wstring text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += L"\r\n";
        text.append(lines[i].begin(), lines[i].end());
    }
    return text;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* w = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        break;
    }
    case WM_CREATE: {
        w->form->FormCreate();
        w->memo = CreateWindowExW(0, L"EDIT", MemoText(w->form->Memo1).c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                      ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                                  0, 0, 0, 0, hwnd, reinterpret_cast<HMENU>(kMemoId),
                                  GetModuleHandleW(nullptr), nullptr);
        w->form->CloseWindow = [hwnd] { SendMessageW(hwnd, WM_CLOSE, 0, 0); };
        return 0;
    }
    case WM_SIZE:
        if (w && w->memo) MoveWindow(w->memo, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case kRunJob:
        if (w && !w->shown) {
            w->shown = true;
            w->form->FormShow();
        }
        return 0;
    case WM_CLOSE:
        if (w) w->form->FormClose();
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

std::vector<std::u16string> Arguments() {
    std::vector<std::u16string> params;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return params;
    for (int i = 0; i < argc; ++i) {
        std::wstring_view arg(argv[i]);
        params.emplace_back(arg.begin(), arg.end());
    }
    LocalFree(argv);
    return params;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int status = 1;
    {
        TForm1 form(Arguments());
        Window window;
        window.form = &form;

        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = L"TForm1";
        RegisterClassExW(&wc);

        HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"jwwclean", WS_OVERLAPPEDWINDOW,
                                    CW_USEDEFAULT, CW_USEDEFAULT, 480, 480, nullptr, nullptr,
                                    instance, &window);
        if (hwnd) {
            ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
            PostMessageW(hwnd, kRunJob, 0, 0);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        // Without a window the job never ran; the form's destructor still cleans up.
        status = form.ExitCode();
    }
    return status;
}
