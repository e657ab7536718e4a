#include "process/HostEvaluator.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/LibrarySearch.h"
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

template <class Query>
std::wstring SystemFolder(Query query) {
    wchar_t buffer[MAX_PATH] = {};
    const UINT n = query(buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

std::wstring PathVariable() {
    std::wstring value(GetEnvironmentVariableW(L"PATH", nullptr, 0), L'\0');
    const DWORD n = GetEnvironmentVariableW(L"PATH", value.data(), DWORD(value.size()));
    value.resize(n < value.size() ? n : 0);
    return value;
}

// The platform's own search, minus the current folder, done by hand: Wine's
// SetDllDirectoryW(L"") still takes a library from the current folder, and
// LOAD_LIBRARY_SEARCH_DEFAULT_DIRS never searches PATH. Each candidate is
// loaded by its full path; its own dependencies are looked up beside it.
std::vector<std::wstring> LibraryCandidates() {
    std::vector<std::wstring> paths;
    for (const std::string& folder : LibrarySearchFolders(
             win::Narrow(ProgramFolder()), win::Narrow(SystemFolder(GetSystemDirectoryW)),
             win::Narrow(SystemFolder(GetWindowsDirectoryW)), win::Narrow(PathVariable()))) {
        std::wstring path = win::Widen(folder) + kLibraryName;
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            paths.push_back(std::move(path));
    }
    return paths;
}

win::ScopedModule LoadHostLibrary() {
    for (const std::wstring& path : LibraryCandidates()) {
        if (HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
            return win::ScopedModule(module);
    }
    return {};
}

HostEvaluateProc HostEvaluateEntry() {
    // Once found, the library stays for the life of the process. Until then
    // every use looks again: the host may install it while we run.
    static win::ScopedModule library;
    static HostEvaluateProc entry = nullptr;
    if (entry) return entry;
    win::ScopedModule candidate = LoadHostLibrary();
    if (!candidate) return nullptr;
    entry = reinterpret_cast<HostEvaluateProc>(reinterpret_cast<void (*)()>(
        GetProcAddress(candidate.Get(), MAKEINTRESOURCEA(kHostEvaluateOrdinal))));
    if (entry) library = std::move(candidate);
    return entry;
}

}  // namespace

std::string HostLibraryFolder() {
    const auto paths = LibraryCandidates();
    return paths.empty() ? std::string() : win::Narrow(FolderOf(paths.front()));
}

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
