// Floor for a DDE request that opens a window: a DDE server on the same DDEML
// building block as KesUtil whose execute does nothing but (re)create and show
// one window. Commands:
//   open               an empty window
//   list <text>        a window with a list box of the items of a token request
//                      ("current~prefix~item~item~...~"), the current one selected
//   close-list         saves the selected items' leading numbers as a reply
//                      (KesFloor\Messages\floorListMessage) and closes the window
//   close, quit
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "win/Dde.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace {

constexpr wchar_t kToolCaption[] = L"Kes floor tool";
HWND tool = nullptr;
HWND list = nullptr;
int currentToken = 0;

LRESULT CALLBACK ToolProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND CreateTool() {
    return CreateWindowExW(WS_EX_TOPMOST, L"KesFloorTool", kToolCaption,
                           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 500, 200, 330, 190, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

std::vector<std::string> TildeFields(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('~', start)) != std::string::npos; start = end + 1)
        fields.push_back(text.substr(start, end - start));
    return fields;
}

void OpenList(const std::string& request) {
    const std::vector<std::string> fields = TildeFields(request);
    currentToken = fields.empty() ? 0 : std::atoi(fields[0].c_str());
    tool = CreateTool();
    list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_MULTIPLESEL | LBS_NOTIFY, 10,
                           10, 300, 130, tool, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (std::size_t i = 2; i < fields.size(); ++i) {
        const std::wstring item = kes::win::Widen(fields[i]);
        const LRESULT index =
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        if (std::atoi(fields[i].c_str()) == currentToken)
            SendMessageW(list, LB_SETSEL, TRUE, index);
    }
    ShowWindow(tool, SW_SHOWNOACTIVATE);
}

void SaveListReply() {
    std::string reply = std::to_string(currentToken) + "~";
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (SendMessageW(list, LB_GETSEL, i, 0) <= 0) continue;
        std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        reply += std::to_string(std::wcstol(text.c_str(), nullptr, 10)) + "~";
    }
    kes::win::SettingsStore("KesFloor").Save(kes::kSectionMessages, "floorListMessage", reply);
}

bool Execute(const std::string& command) {
    if (tool && command == "close-list") SaveListReply();
    if (tool) DestroyWindow(tool);
    tool = list = nullptr;
    if (command == "open") {
        tool = CreateTool();
        ShowWindow(tool, SW_SHOWNOACTIVATE);
    } else if (command.rfind("list ", 0) == 0) {
        OpenList(command.substr(5));
    } else if (command == "quit") {
        PostQuitMessage(0);
    }
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &ToolProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"KesFloorTool";
    RegisterClassW(&wc);
    kes::win::DdeServer server;
    if (!server.Start("KesFloor", "Floor", &Execute)) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
