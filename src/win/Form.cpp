#include "win/Form.h"

#include <algorithm>
#include <utility>

#include "win/Controls.h"
#include "win/DiagLog.h"
#include "win/WinText.h"
#include "win/Trace.h"

namespace kes::win {
namespace {

std::vector<Form*>& LoadedForms() {
    static std::vector<Form*> forms;
    return forms;
}

std::function<void()>& SessionEndAction() {
    static std::function<void()> action;
    return action;
}

// The forms whose modal show is running, innermost last.
std::vector<Form*>& ModalForms() {
    static std::vector<Form*> modal;
    return modal;
}

std::vector<std::unique_ptr<Form>>& Graveyard() {
    static std::vector<std::unique_ptr<Form>> dead;
    return dead;
}

int ShiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? kShiftMask : 0) |
           (GetKeyState(VK_CONTROL) < 0 ? kCtrlMask : 0) |
           (GetKeyState(VK_MENU) < 0 ? kAltMask : 0);
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

Form::Form(FormDesign design) : design_(std::move(design)) {}

Form::~Form() {
    // Destroying a still-loaded form skips its unload handlers: only the
    // framework's own shutdown does that.
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
        auto& forms = LoadedForms();
        forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    }
}

const std::vector<Form*>& Form::Forms() {
    return LoadedForms();
}

Form* Form::FromHwnd(HWND hwnd) {
    if (!hwnd) return nullptr;
    HWND root = GetAncestor(hwnd, GA_ROOT);
    for (Form* f : LoadedForms())
        if (f->hwnd_ == root) return f;
    return nullptr;
}

void Form::Load() {
    if (hwnd_) return;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, design_.className, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Form::WndProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = design_.className;
        wc.hIcon = wc.hIconSm = design_.icon;
        if (!RegisterClassExW(&wc)) KES_LOG_HERE("window class not registered");
    }
    RECT r{0, 0, TwipsToPixelsX(design_.clientWidth), TwipsToPixelsY(design_.clientHeight)};
    AdjustWindowRectEx(&r, design_.style, FALSE, design_.exStyle);
    const std::wstring caption = Widen(design_.caption);
    // The window the user worked in when this one came (making the form may
    // activate it): a modal form gives the activation back to it, as a
    // dialog does to its owner.
    raisedFrom_ = GetActiveWindow();
    made_.clear();
    zOrderAsMade_ = true;
    // Created hidden; Form_Load places it before anyone sees it.
    CreateWindowExW(design_.exStyle, design_.className, caption.c_str(),
                    design_.style & ~WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                    r.bottom - r.top, nullptr, nullptr, instance, this);
    if (!hwnd_) {
        KES_LOG_HERE("window not created: " + Narrow(design_.className));
        return;
    }
    KES_TRACE_POINT("window created");
    LoadedForms().push_back(this);
    // A window that comes while a modal form is up waits for it like the others.
    if (!ModalForms().empty()) {
        EnableWindow(hwnd_, FALSE);
        ModalForms().back()->disabled_.push_back(hwnd_);
    }
    Form_Load();
}

void Form::Show() {
    if (!hwnd_) return;
    ShowWindow(hwnd_, SW_SHOWNA);
}

void Form::ShowModal() {
    if (!hwnd_) return;
    // Loaded while another modal form was up: this one takes the input now.
    for (Form* modal : ModalForms()) {
        auto& list = modal->disabled_;
        list.erase(std::remove(list.begin(), list.end(), hwnd_), list.end());
    }
    EnableWindow(hwnd_, TRUE);
    // The process's other windows take no input while the modal form is up;
    // their messages (DDE requests, timers) are still served by the loop below.
    disabled_.clear();
    for (Form* f : LoadedForms()) {
        if (f != this && IsWindowVisible(f->hwnd_) && IsWindowEnabled(f->hwnd_)) {
            EnableWindow(f->hwnd_, FALSE);
            disabled_.push_back(f->hwnd_);
        }
    }
    ModalForms().push_back(this);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    const HWND self = hwnd_;
    RunMessageLoop([&] { return !IsWindow(self) || hwnd_ != self; });
    // Normally done by Unload already; here when someone else destroyed the window.
    EndModal();
}

void Form::EndModal() {
    auto& modal = ModalForms();
    modal.erase(std::remove(modal.begin(), modal.end(), this), modal.end());
    for (HWND h : std::exchange(disabled_, {}))
        if (IsWindow(h)) EnableWindow(h, TRUE);
}

bool Form::Unload(int unloadMode) {
    if (!hwnd_) return true;
    if (unloading_) return true;  // already on its way out further up the stack
    unloading_ = true;
    bool cancel = false;
    Form_QueryUnload(cancel, unloadMode);
    if (cancel || !hwnd_) {
        unloading_ = false;
        RunSettled();
        return !hwnd_;
    }
    Form_Unload();
    const HWND h = hwnd_;
    auto& forms = LoadedForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    // The others are enabled before a modal window goes, as EndDialog does: once
    // it is destroyed the system activates the next enabled window, another
    // program's if none of ours is, and the user's next key goes there.
    const auto& modal = ModalForms();
    const bool wasModal = std::find(modal.begin(), modal.end(), this) != modal.end();
    EndModal();
    if (GetForegroundWindow() == h || GetActiveWindow() == h) {
        // Hand the activation back to another visible form before this one goes:
        // the one it was raised from, else the newest.
        const auto takes = [](const Form* f) {
            return IsWindowVisible(f->hwnd_) && IsWindowEnabled(f->hwnd_);
        };
        Form* next = wasModal ? FromHwnd(raisedFrom_) : nullptr;
        if (!next || !takes(next)) {
            const auto it = std::find_if(forms.rbegin(), forms.rend(), takes);
            next = it != forms.rend() ? *it : nullptr;
        }
        if (next) SetActiveWindow(next->hwnd_);
    }
    DestroyWindow(h);
    hwnd_ = nullptr;
    unloading_ = false;
    // Destroying windows does not end a process; the last form going does.
    if (forms.empty()) PostQuitMessage(0);
    RunSettled();
    return true;
}

void Form::RunSettled() {
    // The object outlives its window until the outermost message loop, so the
    // action may run here even when the form has just released itself.
    if (auto action = std::exchange(settled_, nullptr)) action();
}

double Form::Left() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return exact_.valid && SameRect(r, exact_.pixels) ? exact_.left : r.left * TwipsPerPixelX();
}
double Form::Top() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return exact_.valid && SameRect(r, exact_.pixels) ? exact_.top : r.top * TwipsPerPixelY();
}
double Form::Width() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return exact_.valid && SameRect(r, exact_.pixels) ? exact_.width
                                                      : (r.right - r.left) * TwipsPerPixelX();
}
double Form::Height() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return exact_.valid && SameRect(r, exact_.pixels) ? exact_.height
                                                      : (r.bottom - r.top) * TwipsPerPixelY();
}

void Form::Move(double left, double top) {
    const double width = Width(), height = Height();
    SetWindowPos(hwnd_, nullptr, TwipsToPixelsX(left), TwipsToPixelsY(top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    exact_ = {left, top, width, height, {}, true};
    GetWindowRect(hwnd_, &exact_.pixels);
}

void Form::Resize(double width, double height) {
    const double left = Left(), top = Top();
    SetWindowPos(hwnd_, nullptr, 0, 0, TwipsToPixelsX(width), TwipsToPixelsY(height),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    exact_ = {left, top, width, height, {}, true};
    GetWindowRect(hwnd_, &exact_.pixels);
}

double Form::ScaleWidth() const {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return r.right * TwipsPerPixelX();
}
double Form::ScaleHeight() const {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return r.bottom * TwipsPerPixelY();
}

void Form::SetCaption(std::string_view caption) {
    design_.caption = std::string(caption);
    if (hwnd_) SetText(hwnd_, caption);
}
std::string Form::Caption() const {
    return hwnd_ ? GetText(hwnd_) : design_.caption;
}

HFONT Form::ControlFont() const {
    // The classic dialog face at 8 points that the designed sizes assume,
    // created once for the process.
    static const HFONT font = CreatePointFont(L"MS Sans Serif", 8);
    return font;
}

HWND Form::AddControl(const wchar_t* windowClass, std::string_view text, DWORD style, int id,
                      const TwipRect& r, DWORD exStyle) {
    const std::wstring w = Widen(text);
    HWND h = CreateWindowExW(
        exStyle, windowClass, w.c_str(), style | WS_CHILD, TwipsToPixelsX(r.left),
        TwipsToPixelsY(r.top), TwipsToPixelsX(r.width), TwipsToPixelsY(r.height), hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (h) {
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
        made_.push_back({id, h});
    }
    return h;
}

void Form::PlaceControl(HWND control, const TwipRect& r) {
    SetWindowPos(control, nullptr, TwipsToPixelsX(r.left), TwipsToPixelsY(r.top),
                 TwipsToPixelsX(r.width), TwipsToPixelsY(r.height), SWP_NOZORDER | SWP_NOACTIVATE);
}

TwipRect Form::ControlRect(HWND control) const {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    return {r.left * TwipsPerPixelX(), r.top * TwipsPerPixelY(),
            (r.right - r.left) * TwipsPerPixelX(), (r.bottom - r.top) * TwipsPerPixelY()};
}

void Form::SetDefaultButton(int id) {
    if (defaultButton_ && defaultButton_ != id)
        SendMessageW(Control(defaultButton_), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    defaultButton_ = id;
    if (id) SendMessageW(Control(id), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void Form::SetTabOrder(std::initializer_list<HWND> order) {
    // A new control goes below its siblings: controls made in tab order (the
    // first of them named here) are already in it, and asking the window
    // server would cost a trip each.
    if (zOrderAsMade_ && order.size() <= made_.size() &&
        std::equal(order.begin(), order.end(), made_.begin(),
                   [](HWND h, const MadeControl& made) { return h == made.hwnd; }))
        return;
    PutFirstInZOrder(order);
    zOrderAsMade_ = false;
}

HWND Form::Control(int id) const {
    // GetDlgItem lists the children through the window server on every call.
    if (!hwnd_) return nullptr;
    for (const MadeControl& made : made_)
        if (made.id == id) return made.hwnd;
    return GetDlgItem(hwnd_, id);
}

void Form::WhenPointedAt(std::function<void()> action) {
    pointedAt_.push_back(std::move(action));
}

void Form::SetTimer(UINT_PTR id, UINT intervalMs) {
    ::SetTimer(hwnd_, id, intervalMs, nullptr);
}
void Form::KillTimer(UINT_PTR id) {
    ::KillTimer(hwnd_, id);
}

void Form::RestoreFocus() {
    if (lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_) &&
        IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
        return;
    }
    HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (first) SetFocus(first);
}

LRESULT Form::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        // Also when someone else destroyed it: the form has no window from now
        // on and is no longer loaded.
        self->hwnd_ = nullptr;
        auto& forms = LoadedForms();
        const auto at = std::find(forms.begin(), forms.end(), self);
        if (at != forms.end()) {
            forms.erase(at);
            if (forms.empty()) PostQuitMessage(0);
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    // No exception may cross into the system's code.
    try {
        return self->Handle(msg, wp, lp);
    } catch (...) {
        KES_LOG_HERE("message " + std::to_string(msg) + " threw; answered 0");
        return 0;
    }
}

LRESULT Form::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return 0;
        case WM_TIMER:
            OnTimer(wp);
            return 0;
        case WM_CLOSE:
            Unload(kUnloadByUser);
            return 0;
        case WM_ENDSESSION:
            // Every top-level window hears it, in no set order, and the process
            // may be ended once it returns: one shutdown covers all forms.
            if (!wp) return 0;
            if (const auto action = SessionEndAction())
                action();
            else
                Unload(kUnloadBySystem);
            return 0;
        case WM_SETCURSOR:
            // A control passes its WM_SETCURSOR to the form first.
            for (const auto& action : std::exchange(pointedAt_, {})) action();
            break;
        case DM_GETDEFID:
            return defaultButton_ ? MAKELRESULT(defaultButton_, DC_HASDEFID) : 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
            } else if (!HIWORD(wp)) {
                if (!activated_) {
                    activated_ = true;
                    RestoreFocus();
                    Form_Activate();
                } else {
                    RestoreFocus();
                }
                return 0;
            }
            break;
        default:
            break;
    }
    return OnMessage(msg, wp, lp);
}

bool Form::PreTranslate(MSG& msg) {
    Form* form = FromHwnd(msg.hwnd);
    if (!form || !form->hwnd_) return false;
    const bool preview = form->design_.keyPreview;
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        int key = static_cast<int>(msg.wParam);
        if (preview) form->Form_KeyDown(key, ShiftState());
        if (key == 0 || !form->hwnd_) return true;
        // Enter and Escape act through the character they make, so that a
        // character 13 or 27 on its own (Ctrl+M, one posted by a tool) does
        // what the key does, and one keystroke acts once. None of the forms'
        // controls takes either key as its own input.
        if (msg.message == WM_KEYDOWN && (key == VK_RETURN || key == VK_ESCAPE)) {
            TranslateMessage(&msg);
            return true;
        }
    } else if (msg.message == WM_CHAR) {
        int ascii = static_cast<int>(msg.wParam);
        if (preview) form->Form_KeyPress(ascii);
        if (ascii && form->hwnd_) form->Control_KeyPress(msg.hwnd, ascii);
        if (ascii == 0 || !form->hwnd_) return true;
        msg.wParam = static_cast<WPARAM>(ascii);
        if (ascii == 13 || ascii == 27) {
            form->DialogKey(ascii == 13 ? VK_RETURN : VK_ESCAPE);
            return true;
        }
    }
    return IsDialogMessageW(form->hwnd_, &msg) != FALSE;
}

// What the dialog manager does with an Enter or Escape keystroke.
void Form::DialogKey(int key) {
    if (key == VK_ESCAPE) {
        SendMessageW(hwnd_, WM_COMMAND, IDCANCEL,
                     reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, IDCANCEL)));
        return;
    }
    // The focused push button, else the default button, else IDOK.
    HWND button = GetFocus();
    if (!button || !IsChild(hwnd_, button) ||
        !(SendMessageW(button, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
        button = defaultButton_ ? Control(defaultButton_) : nullptr;
    if (button && !IsWindowEnabled(button)) return;
    const int id = button ? GetDlgCtrlID(button) : IDOK;
    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button ? button : GetDlgItem(hwnd_, IDOK)));
}

void DeferDelete(std::unique_ptr<Form> form) {
    if (form) Graveyard().push_back(std::move(form));
}

void SetSessionEndAction(std::function<void()> action) {
    SessionEndAction() = std::move(action);
}

namespace {

// One message: key preview and the dialog keys first, then its window.
void Dispatch(MSG& msg) {
    if (!Form::PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

void DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the loop further out, which ends the program.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(msg);
    }
}

int RunMessageLoop(const std::function<bool()>& done) {
    const bool outermost = !done;
    MSG msg{};
    while (!done || !done()) {
        // Nothing of ours is on the stack of the outermost loop: released forms can go.
        if (outermost) Graveyard().clear();
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got < 0) break;
        if (got == 0) {
            if (!outermost) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        Dispatch(msg);
    }
    if (outermost) Graveyard().clear();
    return static_cast<int>(msg.wParam);
}

}  // namespace kes::win
