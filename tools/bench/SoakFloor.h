#pragma once
// What the platform itself keeps in a process's private bytes for DDE execute
// text received and for text shown in a multi-line edit, measured on a floor
// process that runs nothing of the utility: KesSoak.exe --floor, a bare
// DDEML server that puts "E..." texts into such an edit.
#include <string>

#include "SoakWindows.h"

namespace kes::soak {

struct PlatformRetention {
    double perExecuteByte = 0;  // bytes kept per byte of execute text received
    double perEditChar = 0;     // bytes kept per character shown in an edit since destroyed
};

// Starts the floor from this program's file, measures it, ends it.
PlatformRetention MeasureRetention(const std::wstring& selfPath, const FootprintGauge& gauge);

// The floor's life, until an execute "quit".
int RunFloor();

}  // namespace kes::soak
