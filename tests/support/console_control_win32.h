// A console control event (Ctrl-C, Ctrl-Break) for the test process. The
// console starts the system's control routine on a new thread of the process,
// which runs the handlers; this does the same, so that it works without a
// console too (a test run under Wine has none).
#pragma once

#include <windows.h>

namespace kq::test {

// Runs the handlers for event and waits until they are done; false when the
// system has no control routine to run.
inline bool deliverConsoleControl(DWORD event) {
    const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine")));
    if (!routine) return false;
    const HANDLE thread = CreateThread(nullptr, 0, routine, reinterpret_cast<void*>(static_cast<ULONG_PTR>(event)), 0, nullptr);
    if (!thread) return false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return true;
}

}  // namespace kq::test
