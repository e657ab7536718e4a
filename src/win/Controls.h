#pragma once
// Small pieces every form needs: the common controls, fonts by point size, a
// form's tooltips, and the z-order the dialog manager tabs in.
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <span>

namespace kes::win {

// The common controls library is loaded at its first use, not at the start:
// a start that only forwards its command line never needs it, and under Wine
// loading it costs about as much as starting a one-window program. These wrap
// the library's functions of the same names; they fail only when it cannot be
// loaded.
bool InitCommonControlsOnce();
bool Subclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data);
bool RemoveSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id);
LRESULT DefSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// A font of the given face and point size at the screen's DPI; the caller owns it.
HFONT CreatePointFont(const wchar_t* face, double points, int weight = FW_NORMAL);

// The tooltips of one form. The window is not owned by the form: an owned
// topmost popup keeps Wine from making the form itself topmost. So it is
// destroyed here, with the form's unload or this object.
class Tooltips {
  public:
    Tooltips() = default;
    ~Tooltips() { Destroy(); }
    Tooltips(const Tooltips&) = delete;
    Tooltips& operator=(const Tooltips&) = delete;

    void Add(HWND form, HWND control, const wchar_t* text);
    void Destroy();
    HWND Hwnd() const { return hwnd_; }

  private:
    HWND hwnd_ = nullptr;
};

// The dialog manager tabs in z-order: puts the controls first, in this order;
// null entries are passed over.
void PutFirstInZOrder(std::span<const HWND> order);

}  // namespace kes::win
