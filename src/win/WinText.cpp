#include "win/WinText.h"

#include <windows.h>

namespace kes::win {
namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int n =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string FromWide(UINT codePage, std::wstring_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
    return ToWide(CP_UTF8, utf8);
}
std::string Narrow(std::wstring_view wide) {
    return FromWide(CP_UTF8, wide);
}
std::string AnsiToUtf8(std::string_view ansi) {
    return Narrow(ToWide(CP_ACP, ansi));
}
std::string Utf8ToAnsi(std::string_view utf8) {
    return FromWide(CP_ACP, Widen(utf8));
}

std::string GetText(void* hwnd) {
    const auto h = static_cast<HWND>(hwnd);
    const LRESULT len = SendMessageW(h, WM_GETTEXTLENGTH, 0, 0);
    std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
    const LRESULT got =
        SendMessageW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(got));
    return Narrow(buf);
}

void SetText(void* hwnd, std::string_view utf8) {
    const std::wstring w = Widen(utf8);
    SendMessageW(static_cast<HWND>(hwnd), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

}  // namespace kes::win
