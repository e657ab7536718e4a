// The same-work floor of the benchmarks: what the utility's start, a DDE open
// and a forwarded start do that the user or the host can see, written with
// plain Win32 calls and no framework, so that a ratio against it says what the
// utility's own code costs.
//
//   KesFloorTool.exe                the first instance: an instance mutex, a
//                                   hidden main window, a DDEML service of its
//                                   own (KesFloorTool), the locale and folder
//                                   reads, a registry value stored and one
//                                   read, then the converter's window shown;
//                                   it serves "open", "close" and "quit"
//   KesFloorTool.exe --forward CMD  a second start: one message-only window,
//                                   raw WM_DDE_INITIATE to the first
//                                   instance's thread, one execute, its
//                                   acknowledgement, the terminate answered
#include <windows.h>
#include <commctrl.h>
#include <dde.h>
#include <ddeml.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <utility>

#include "win/Trace.h"  // the trace points only; compiled out unless KES_TRACE

namespace {

constexpr wchar_t kService[] = L"KesFloorTool";
constexpr wchar_t kTopic[] = L"KesFloorTool_MSG";
constexpr wchar_t kMainClass[] = L"KesFloorToolMain";
constexpr wchar_t kToolClass[] = L"KesFloorToolWindow";
constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\KesFloorTool\\Misc";

// The converter's controls as it makes them: class, text, style, id, twips.
struct ControlRow {
    const wchar_t* windowClass;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;
};
constexpr DWORD kGroup = WS_VISIBLE | WS_GROUP;
constexpr DWORD kEdit = kGroup | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kPush = kGroup | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kRadio = WS_VISIBLE | BS_AUTORADIOBUTTON;
constexpr DWORD kCheck = WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr ControlRow kControls[] = {
    {L"Edit", L"0", kEdit, WS_EX_CLIENTEDGE, 330, 150, 1920, 340},
    {L"Button", L"d&Bm", kRadio | WS_GROUP | WS_TABSTOP, 0, 330, 855, 900, 325},
    {L"Button", L"&mWatts", kRadio, 0, 1305, 855, 900, 325},
    {L"Button", L"&volts o-p", kRadio, 0, 330, 1335, 900, 325},
    {L"Button", L"volt&s rms", kRadio, 0, 1305, 1335, 900, 325},
    {L"Button", L"&dBm", kPush, 0, 2640, 870, 780, 310},
    {L"Button", L"m&Watts", kPush, 0, 3690, 870, 780, 310},
    {L"Button", L"volts &o-p", kPush, 0, 2640, 1335, 780, 310},
    {L"Button", L"volts &rms", kPush, 0, 3690, 1335, 780, 310},
    {L"Button", L"Close", kPush, 0, 3735, 1875, 780, 310},
    {L"Button", L"Convert to", kGroup | BS_GROUPBOX, 0, 2490, 600, 2145, 1185},
    {L"Button", L"Convert from", kGroup | BS_GROUPBOX, 0, 195, 600, 2145, 1635},
    {L"Button", L"&Copy", kPush, 0, 2655, 1875, 780, 310},
    {L"Static", L"=", kGroup | SS_LEFT | SS_NOPREFIX, 0, 2304, 180, 300, 300},
    {L"Button", L"50 ohms", kCheck, 0, 330, 1845, 960, 285},
    {L"Button", L"1 ohm", kCheck, 0, 1305, 1860, 885, 285},
    {L"Edit", L"", kEdit, WS_EX_CLIENTEDGE, 2664, 150, 1920, 340},
    {L"Button", L"", kPush | BS_ICON, 0, 4500, 2250, 315, 255},
    {L"Static", L"", kGroup | SS_ETCHEDHORZ, 0, 345, 1740, 1830, 30},
};

int dpi = 96;
int Px(int twips) {
    return MulDiv(twips, dpi, 1440);
}

HFONT PointFont(int points) {
    return CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
}

HWND tool = nullptr;
DWORD ddeInstance = 0;

// The converter's window: made hidden, its controls, placed, shown topmost
// without activation.
void ShowTool() {
    if (tool) DestroyWindow(tool);
    static const bool controlsLoaded = [] {
        HMODULE comctl = LoadLibraryW(L"comctl32.dll");
        using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        const auto init = comctl ? reinterpret_cast<Init>(reinterpret_cast<void (*)()>(
                                       GetProcAddress(comctl, "InitCommonControlsEx")))
                                 : nullptr;
        const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
        return init && init(&classes);
    }();
    (void)controlsLoaded;
    static const HFONT font = PointFont(8), equals = PointFont(12);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, Px(4875), Px(2535)};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_CONTROLPARENT);
    KES_TRACE_POINT("window loaded");
    tool = CreateWindowExW(WS_EX_CONTROLPARENT, kToolClass, L"Kes floor converter", style,
                           CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    KES_TRACE_POINT("window created");
    const HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    int id = 301;
    for (const ControlRow& c : kControls) {
        HWND h =
            CreateWindowExW(c.exStyle, c.windowClass, c.text, c.style | WS_CHILD, Px(c.left),
                            Px(c.top), Px(c.width), Px(c.height), tool,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), nullptr, nullptr);
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(c.text[0] == L'=' ? equals : font),
                     FALSE);
        if (c.style & BS_ICON)
            SendMessageW(h, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    }
    KES_TRACE_POINT("converter controls made");
    SendMessageW(GetDlgItem(tool, 302), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(GetDlgItem(tool, 315), BM_SETCHECK, BST_CHECKED, 0);
    SetWindowPos(tool, HWND_TOPMOST, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(tool, SW_SHOWNA);
    KES_TRACE_POINT("window shown");
}

HDDEDATA CALLBACK DdeCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR,
                              ULONG_PTR) {
    if (type == XTYP_CONNECT) return reinterpret_cast<HDDEDATA>(TRUE);
    if (type != XTYP_EXECUTE) return nullptr;
    KES_TRACE_POINT("execute received");
    char command[16] = {};
    DdeGetData(data, reinterpret_cast<BYTE*>(command), sizeof command - 1, 0);
    // Carried out before the acknowledgement, as the utility does.
    if (std::strncmp(command, "open", 4) == 0) {
        ShowTool();
    } else if (std::strncmp(command, "close", 5) == 0) {
        if (tool) DestroyWindow(std::exchange(tool, nullptr));
    } else if (std::strncmp(command, "quit", 4) == 0) {
        PostQuitMessage(0);
    }
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

LRESULT CALLBACK ForwardProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    static HWND server = nullptr;
    if (msg == WM_DDE_ACK && !server) {  // the answer to the initiate, sent
        server = reinterpret_cast<HWND>(wp);
        GlobalDeleteAtom(LOWORD(lp));
        GlobalDeleteAtom(HIWORD(lp));
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(server));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

BOOL CALLBACK Initiate(HWND target, LPARAM client) {
    const ATOM app = GlobalAddAtomW(kService), topic = GlobalAddAtomW(kTopic);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(target, WM_DDE_INITIATE, static_cast<WPARAM>(client),
                        MAKELPARAM(app, topic), SMTO_ABORTIFHUNG, 3000, &ignored);
    GlobalDeleteAtom(app);
    GlobalDeleteAtom(topic);
    return GetWindowLongPtrW(reinterpret_cast<HWND>(client), GWLP_USERDATA) == 0;
}

int Forward(const std::wstring& command) {
    CreateMutexW(nullptr, FALSE, L"Local\\KesFloorTool.Instance");
    WNDCLASSW wc{};
    wc.lpfnWndProc = &ForwardProc;
    wc.lpszClassName = L"KesFloorToolForward";
    RegisterClassW(&wc);
    // Message-only, as the utility's: the conversation needs no window on screen.
    HWND client = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    const HWND main = FindWindowW(kMainClass, nullptr);
    if (!client || !main) return 1;
    KES_TRACE_POINT("dde client ready");
    EnumThreadWindows(GetWindowThreadProcessId(main, nullptr), &Initiate,
                      reinterpret_cast<LPARAM>(client));
    const auto server = reinterpret_cast<HWND>(GetWindowLongPtrW(client, GWLP_USERDATA));
    if (!server) return 1;
    KES_TRACE_POINT("dde connected");
    const std::string text(command.begin(), command.end());
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    PostMessageW(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client),
                 PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block)));
    const ULONGLONG end = GetTickCount64() + 6000;
    const auto await = [&](UINT message) {
        MSG msg{};
        while (!PeekMessageW(&msg, client, message, message, PM_REMOVE) && GetTickCount64() < end)
            MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_POSTMESSAGE, MWMO_INPUTAVAILABLE);
        return msg;
    };
    const MSG ack = await(WM_DDE_ACK);
    KES_TRACE_POINT("dde executed");
    if (ack.message == WM_DDE_ACK) FreeDDElParam(WM_DDE_ACK, ack.lParam);
    // The server answers a terminate with its own; the client's window waits for it.
    PostMessageW(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client), 0);
    await(WM_DDE_TERMINATE);
    return ack.message == WM_DDE_ACK ? 0 : 1;
}

int FirstInstance() {
    CreateMutexW(nullptr, FALSE, L"Local\\KesFloorTool.Instance");
    if (GetLastError() == ERROR_ALREADY_EXISTS) return 1;
    KES_TRACE_POINT("instance checked");
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = kMainClass;
    RegisterClassW(&wc);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kToolClass;
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));  // its own icon
    RegisterClassW(&wc);
    HWND main = CreateWindowExW(0, kMainClass, kService, WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                nullptr, instance, nullptr);
    if (!main) return 1;
    KES_TRACE_POINT("main window made");

    // An ANSI instance: the execute's text arrives in the server's character set.
    DdeInitializeA(&ddeInstance, &DdeCallback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0);
    const HSZ service = DdeCreateStringHandleA(ddeInstance, "KesFloorTool", CP_WINANSI);
    DdeNameService(ddeInstance, service, nullptr, DNS_REGISTER);
    KES_TRACE_POINT("dde service registered");

    char buffer[MAX_PATH];
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 2);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, buffer, 2);
    GetWindowsDirectoryA(buffer, sizeof buffer);
    GetSystemDirectoryA(buffer, sizeof buffer);
    dpi = [] {
        HDC dc = GetDC(nullptr);
        const int d = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(nullptr, dc);
        return d;
    }();
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const std::wstring handle = std::to_wstring(reinterpret_cast<INT_PTR>(main));
        RegSetValueExW(key, L"Scrollbar", 0, REG_SZ, reinterpret_cast<const BYTE*>(handle.c_str()),
                       static_cast<DWORD>((handle.size() + 1) * sizeof(wchar_t)));
        wchar_t host[64];
        DWORD size = sizeof host;
        RegQueryValueExW(key, L"Host", nullptr, nullptr, reinterpret_cast<BYTE*>(host), &size);
        RegCloseKey(key);
    }
    KES_TRACE_POINT("host handle read");
    ShowTool();

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (tool && IsDialogMessageW(tool, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // The service goes with the process: unregistering here would wait on the
    // conversation the "quit" came through.
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    KES_TRACE_POINT("winmain");
    const wchar_t* args = GetCommandLineW();
    const wchar_t* forward = std::wcsstr(args, L"--forward ");
    return forward ? Forward(forward + 10) : FirstInstance();
}
