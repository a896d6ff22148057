#pragma once
// What another program of the suite holds: kernel handles, GDI objects and USER objects, counted
// inside it by the probe library (bench/SoakProbe.cpp) that a thread started in it loads, and its
// private bytes. For programs that this one started (a handle with every right).

#include "framework/Handles.h"

#include <psapi.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

struct CCensus {
    long handles = -1;
    long gdiObjects = -1;
    long userObjects = -1;
    double privateMiB = -1;
};

class CCensusTaker {
public:
    // `probePath`: the probe library, which this program loads too, to find its exports.
    explicit CCensusTaker(const std::string& probePath) : m_path(probePath) {
        m_local = LoadLibraryA(probePath.c_str());
    }
    ~CCensusTaker() {
        if (m_local)
            FreeLibrary(m_local);
    }
    CCensusTaker(const CCensusTaker&) = delete;
    CCensusTaker& operator=(const CCensusTaker&) = delete;

    CCensus Take(HANDLE process) const {
        CCensus census;
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        if (GetProcessMemoryInfo(process, &memory, sizeof memory))
            census.privateMiB = static_cast<double>(memory.PagefileUsage) / 1048576;
        const HMODULE remote = Inject(process);
        if (!m_local || !remote)
            return census;
        census.handles = Run(process, remote, "ProbeKernelHandles");
        census.gdiObjects = Run(process, remote, "ProbeGdiObjects");
        census.userObjects = Run(process, remote, "ProbeUserObjects");
        return census;
    }

private:
    // The probe's base in `process`, loaded there the first time.
    HMODULE Inject(HANDLE process) const {
        if (HMODULE loaded = Find(process))
            return loaded;
        const std::wstring path(m_path.begin(), m_path.end());
        const SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
        void* remotePath = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
        if (!remotePath)
            return nullptr;
        // kernel32 lies at the same address in every process of a session.
        const auto loadLibrary =
            GetProcedure<LPTHREAD_START_ROUTINE>(GetModuleHandleA("kernel32.dll"), "LoadLibraryW");
        if (WriteProcessMemory(process, remotePath, path.c_str(), bytes, nullptr))
            RunThread(process, loadLibrary, remotePath);
        VirtualFreeEx(process, remotePath, 0, MEM_RELEASE);
        return Find(process);
    }
    HMODULE Find(HANDLE process) const {
        HMODULE modules[512];
        DWORD needed = 0;
        if (!EnumProcessModules(process, modules, sizeof modules, &needed))
            return nullptr;
        const std::string name = m_path.substr(m_path.find_last_of("\\/") + 1);
        for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
            char base[MAX_PATH] = {};
            GetModuleBaseNameA(process, modules[i], base, MAX_PATH);
            if (_stricmp(base, name.c_str()) == 0)
                return modules[i];
        }
        return nullptr;
    }
    long Run(HANDLE process, HMODULE remote, const char* probe) const {
        const auto local = reinterpret_cast<const char*>(GetProcAddress(m_local, probe));
        if (!local)
            return -1;
        const auto start = reinterpret_cast<LPTHREAD_START_ROUTINE>(
            reinterpret_cast<const char*>(remote) + (local - reinterpret_cast<const char*>(m_local)));
        return RunThread(process, start, nullptr);
    }
    static long RunThread(HANDLE process, LPTHREAD_START_ROUTINE start, void* parameter) {
        HANDLE thread = CreateRemoteThread(process, nullptr, 0, start, parameter, 0, nullptr);
        if (!thread)
            return -1;
        DWORD code = 0;
        const bool ended =
            WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &code);
        CloseHandle(thread);
        return ended ? static_cast<long>(code) : -1;
    }

    std::string m_path;
    HMODULE m_local = nullptr;
};
