#pragma once
// The window ("form") framework. A Form owns its HWND and runs the lifecycle
// the utility's windows are written against: Load (created hidden, Form_Load),
// Show (modeless, not activated) or ShowModal (nested loop, the process's other
// windows disabled), Unload (Form_QueryUnload may cancel, then Form_Unload).
// Geometry is in twips; the message loop gives forms key preview and the
// dialog keys (Tab, Enter on the default button, access keys, Space).
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "win/Twips.h"

namespace kes::win {

// Why a form is being unloaded, as Form_QueryUnload receives it.
inline constexpr int kUnloadByUser = 0;    // close box, system menu, Alt+F4
inline constexpr int kUnloadByCode = 1;    // the program unloads it
inline constexpr int kUnloadBySystem = 2;  // Windows is ending the session

// Shift-state bits of Form_KeyDown.
inline constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;

struct FormDesign {
    const wchar_t* className;  // one window class per kind of form
    std::string caption;
    double clientWidth;  // twips
    double clientHeight;
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    bool keyPreview = false;
    // The window's icon, big and small, given by its class: the system reads it
    // once as the window is made, where WM_SETICON would redo that each time.
    HICON icon = nullptr;
};

class Form {
  public:
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND Hwnd() const { return hwnd_; }
    bool Loaded() const { return hwnd_ != nullptr; }
    // True while Form_QueryUnload or Form_Unload runs further up the stack (a
    // question asked on closing lets other requests run meanwhile).
    bool Unloading() const { return unloading_; }
    // Runs once the unload in progress has ended, kept open or gone; a later
    // call replaces an earlier one.
    void WhenUnloadSettles(std::function<void()> action) { settled_ = std::move(action); }

    void Load();
    // Modeless, no owner, not activated.
    void Show();
    // Returns once the form is unloaded.
    void ShowModal();
    // False when Form_QueryUnload kept the form open.
    bool Unload(int unloadMode = kUnloadByCode);

    // Outer frame, in twips.
    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void Move(double left, double top);
    void Resize(double width, double height);
    // Client area, in twips.
    double ScaleWidth() const;
    double ScaleHeight() const;
    // Frame and title bar: Width - ScaleWidth, Height - ScaleHeight.
    double FrameWidth() const { return Width() - ScaleWidth(); }
    double FrameHeight() const { return Height() - ScaleHeight(); }

    void SetCaption(std::string_view caption);
    std::string Caption() const;

    // The loaded forms, oldest first.
    static const std::vector<Form*>& Forms();
    static Form* FromHwnd(HWND hwnd);

    // Key preview and dialog keys for one queued message; true when handled.
    // KeyPress comes from the character (WM_CHAR), Enter and Escape included.
    static bool PreTranslate(MSG& msg);

  protected:
    explicit Form(FormDesign design);

    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_QueryUnload(bool& /*cancel*/, int /*unloadMode*/) {}
    virtual void Form_Unload() {}
    // Key preview: seen before the focused control; zero the key to swallow it.
    virtual void Form_KeyDown(int& /*keyCode*/, int /*shift*/) {}
    virtual void Form_KeyPress(int& /*keyAscii*/) {}
    // The focused control's own KeyPress, after the form's.
    virtual void Control_KeyPress(HWND /*control*/, int& /*keyAscii*/) {}
    virtual void OnCommand(int /*id*/, int /*notifyCode*/, HWND /*control*/) {}
    virtual void OnTimer(UINT_PTR /*id*/) {}
    // Everything else; the default passes to DefWindowProc.
    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);

    // A child control placed in twips relative to the client area.
    HWND AddControl(const wchar_t* windowClass, std::string_view text, DWORD style, int id,
                    const TwipRect& r, DWORD exStyle = 0);
    HWND Control(int id) const;
    void PlaceControl(HWND control, const TwipRect& r);
    TwipRect ControlRect(HWND control) const;
    // Enter presses it; 0 for none.
    void SetDefaultButton(int id);
    // Tab order, first to last; controls not named keep their order after these.
    void SetTabOrder(std::initializer_list<HWND> order);
    void SetTimer(UINT_PTR id, UINT intervalMs);
    void KillTimer(UINT_PTR id);
    // Runs when the mouse pointer first comes over the form or one of its
    // controls: what only a pointing user needs (tooltips) costs nothing before.
    void WhenPointedAt(std::function<void()> action);
    HFONT ControlFont() const;

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void RestoreFocus();
    void RunSettled();
    void DialogKey(int key);
    void EndModal();

    FormDesign design_;
    HWND hwnd_ = nullptr;
    int defaultButton_ = 0;
    HWND lastFocus_ = nullptr;
    // While shown modally, the windows it disabled; the one active when it was loaded.
    std::vector<HWND> disabled_;
    // The controls AddControl made, in the order made, which is also their
    // z-order until SetTabOrder moves one.
    struct MadeControl {
        int id;
        HWND hwnd;
    };
    std::vector<MadeControl> made_;
    bool zOrderAsMade_ = true;
    HWND raisedFrom_ = nullptr;
    bool activated_ = false;
    bool unloading_ = false;
    std::function<void()> settled_;
    std::vector<std::function<void()>> pointedAt_;
    // Positions set in twips are kept exactly while the window has not moved.
    struct Exact {
        double left = 0, top = 0, width = 0, height = 0;
        RECT pixels{};
        bool valid = false;
    } exact_;
};

// Unloading a form releases the process's reference to it, often from inside
// its own handlers: the object lives on until the outermost message loop.
void DeferDelete(std::unique_ptr<Form> form);
template <class T>
void ReleaseForm(std::unique_ptr<T>& ref, const Form* which) {
    if (ref && ref.get() == which) DeferDelete(std::unique_ptr<Form>(ref.release()));
}
// Unloads whatever the reference holds and loads a fresh instance. Callers
// must not replace a form that is still unloading (see Form::Unloading).
template <class T>
T& LoadFresh(std::unique_ptr<T>& ref) {
    if (ref) {
        ref->Unload(kUnloadByCode);
        if (ref) DeferDelete(std::unique_ptr<Form>(ref.release()));
    }
    ref = std::make_unique<T>();
    ref->Load();
    return *ref;
}

// What any form does when Windows ends the session: the program's own shutdown.
// Without one, the form that hears it unloads itself (kUnloadBySystem).
void SetSessionEndAction(std::function<void()> action);

// Runs pending window messages once, as the host's DoEvents does.
void DoEvents();
// Serves this thread's messages until done() holds, or until WM_QUIT: the
// program's own loop (no done(), returns the exit code) or a nested one, which
// leaves WM_QUIT for the loop further out.
int RunMessageLoop(const std::function<bool()>& done = {});

}  // namespace kes::win
