#include "core/LibrarySearch.h"

#include <utility>

namespace kes {
namespace {

bool IsSlash(char c) {
    return c == '\\' || c == '/';
}

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "X:\..." or "\\server\share"; "\dir" and "X:dir" hang on the current drive or folder.
bool IsFullPath(std::string_view folder) {
    if (folder.size() >= 2 && IsSlash(folder[0]) && IsSlash(folder[1])) return true;
    return folder.size() >= 3 && IsDriveLetter(folder[0]) && folder[1] == ':' && IsSlash(folder[2]);
}

void AddFolder(std::vector<std::string>& folders, std::string_view folder) {
    if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"')
        folder = folder.substr(1, folder.size() - 2);
    if (!IsFullPath(folder)) return;
    std::string withSlash(folder);
    if (!IsSlash(withSlash.back())) withSlash += '\\';
    folders.push_back(std::move(withSlash));
}

}  // namespace

std::vector<std::string> LibrarySearchFolders(std::string_view programFolder,
                                              std::string_view systemFolder,
                                              std::string_view windowsFolder,
                                              std::string_view pathVariable) {
    std::vector<std::string> folders;
    for (const std::string_view folder : {programFolder, systemFolder, windowsFolder})
        AddFolder(folders, folder);
    for (std::size_t start = 0; start <= pathVariable.size();) {
        const auto end = pathVariable.find(';', start);
        const auto count = end == std::string_view::npos ? std::string_view::npos : end - start;
        AddFolder(folders, pathVariable.substr(start, count));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return folders;
}

}  // namespace kes
