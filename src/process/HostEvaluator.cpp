#include "process/HostEvaluator.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win/Handles.h"
#include "win/WinText.h"

namespace kes {
namespace {

using HostEvaluateProc = int32_t(__stdcall*)(char* text, double* value, int32_t* reserved1,
                                             int32_t* reserved2);

constexpr const wchar_t* kLibraryName = L"kesGen32.dll";
constexpr WORD kHostEvaluateOrdinal = 11;

std::wstring FolderOf(std::wstring path) {
    const auto slash = path.find_last_of(L"\\/");
    path.erase(slash == std::wstring::npos ? 0 : slash + 1);
    return path;
}

std::wstring ProgramFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return FolderOf(std::wstring(buffer.data(), n));
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring WithSlash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

template <class Query>
std::wstring SystemFolder(Query query) {
    wchar_t buffer[MAX_PATH] = {};
    const UINT n = query(buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? WithSlash(std::wstring(buffer, n)) : std::wstring();
}

// Only full paths: a library of that name in the current folder must never be
// picked up. Its own dependencies are looked up beside it.
HMODULE LoadHostLibrary() {
    const std::wstring folders[] = {ProgramFolder(), SystemFolder(GetSystemDirectoryW),
                                    SystemFolder(GetWindowsDirectoryW)};
    for (const std::wstring& folder : folders) {
        if (folder.empty()) continue;
        const std::wstring path = folder + kLibraryName;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        if (HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
            return module;
    }
    return nullptr;
}

HostEvaluateProc HostEvaluateEntry() {
    // Kept loaded for the life of the process.
    static const win::ScopedModule library(LoadHostLibrary());
    static const HostEvaluateProc entry =
        library ? reinterpret_cast<HostEvaluateProc>(reinterpret_cast<void (*)()>(
                      GetProcAddress(library.Get(), MAKEINTRESOURCEA(kHostEvaluateOrdinal))))
                : nullptr;
    return entry;
}

}  // namespace

HostEvaluateFn HostEvaluator() {
    const HostEvaluateProc entry = HostEvaluateEntry();
    if (!entry) return {};
    return [entry](std::string& text, double& value) -> int32_t {
        // The evaluator reads and may scribble on a zero-terminated ANSI buffer.
        const std::string ansi = win::Utf8ToAnsi(text);
        std::vector<char> buffer(ansi.begin(), ansi.end());
        buffer.push_back('\0');
        int32_t reserved1 = 0, reserved2 = 0;
        return entry(buffer.data(), &value, &reserved1, &reserved2);
    };
}

}  // namespace kes
