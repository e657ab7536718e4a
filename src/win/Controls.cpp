#include "win/Controls.h"

#include <cmath>

#include "win/Handles.h"

namespace kes::win {
namespace {

class CommonControlsLibrary {
  public:
    template <class Function>
    Function Get(const char* name) const {
        // Through void(*)(), which any function pointer may be cast to and from.
        return module_ ? reinterpret_cast<Function>(
                             reinterpret_cast<void (*)()>(GetProcAddress(module_, name)))
                       : nullptr;
    }

  private:
    // The manifest's activation context picks the version.
    HMODULE module_ = LoadLibraryW(L"comctl32.dll");
};

const CommonControlsLibrary& CommonControls() {
    static const CommonControlsLibrary library;
    return library;
}

}  // namespace

bool InitCommonControlsOnce() {
    static const bool done = [] {
        const auto init = CommonControls().Get<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(
            "InitCommonControlsEx");
        const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
        return init && init(&classes);
    }();
    return done;
}

bool Subclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
    static const auto set =
        CommonControls().Get<BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR)>(
            "SetWindowSubclass");
    return set && set(hwnd, proc, id, data);
}

bool RemoveSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id) {
    static const auto remove =
        CommonControls().Get<BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR)>("RemoveWindowSubclass");
    return remove && remove(hwnd, proc, id);
}

LRESULT DefSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    static const auto next =
        CommonControls().Get<LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM)>("DefSubclassProc");
    return next ? next(hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

HFONT CreatePointFont(const wchar_t* face, double points, int weight) {
    ScopedGetDC dc(nullptr);
    const int dpi = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 96;
    return CreateFontW(-static_cast<int>(std::lround(points * dpi / 72.0)), 0, 0, 0, weight, FALSE,
                       FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

void Tooltips::Add(HWND form, HWND control, const wchar_t* text) {
    if (!control) return;
    if (!hwnd_) {
        InitCommonControlsOnce();
        hwnd_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!hwnd_) return;
    }
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
    tool.hwnd = form;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(hwnd_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Tooltips::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

void PutFirstInZOrder(std::span<const HWND> order) {
    HWND after = HWND_TOP;
    for (HWND h : order) {
        if (!h) continue;
        // Each move costs a trip to the window server: controls made in this
        // order stay where they are.
        const HWND before = GetWindow(h, GW_HWNDPREV);
        if (after == HWND_TOP ? before != nullptr : before != after)
            SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = h;
    }
}

}  // namespace kes::win
