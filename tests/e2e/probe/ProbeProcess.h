#pragma once
// Starts MessageProbe.exe (arguments in MessageProbe.cpp) and reads back what it wrote.
#include <windows.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "support/Harness.h"
#include "win/WinText.h"

namespace kes::test {

class ProbeProcess {
  public:
    explicit ProbeProcess(const std::vector<std::string>& args) {
        wchar_t dir[MAX_PATH] = {}, file[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, dir);
        GetTempFileNameW(dir, L"kmp", 0, file);
        outPath_ = file;
        const std::wstring exe = BinDir() + L"\\MessageProbe.exe";
        std::wstring commandLine = L"\"" + exe + L"\" \"out=" + outPath_ + L"\"";
        for (const auto& arg : args) commandLine += L" \"" + win::Widen(arg) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process_);
        if (process_.hThread) CloseHandle(process_.hThread);
    }
    ~ProbeProcess() {
        if (process_.hProcess) {
            TerminateProcess(process_.hProcess, 1);  // no effect once it has ended
            CloseHandle(process_.hProcess);
        }
        DeleteFileW(outPath_.c_str());
    }
    ProbeProcess(const ProbeProcess&) = delete;
    ProbeProcess& operator=(const ProbeProcess&) = delete;

    bool WaitForExit() {
        return process_.hProcess && WaitUntil([&] {
                   return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
               });
    }
    // name -> value of the lines written so far; the last line of a name wins.
    std::map<std::string, std::string> Outcome(size_t* lineCount = nullptr) const {
        std::map<std::string, std::string> values;
        std::ifstream in(outPath_.c_str());
        size_t lines = 0;
        for (std::string line; std::getline(in, line); ++lines)
            if (const auto eq = line.find('='); eq != std::string::npos)
                values[line.substr(0, eq)] = line.substr(eq + 1);
        if (lineCount) *lineCount = lines;
        return values;
    }

  private:
    std::wstring outPath_;
    PROCESS_INFORMATION process_{};
};

}  // namespace kes::test
