// Named mutexes and the windows of the programs that hold them: the probes
// the launcher uses to find running programs of the family, and the holder of
// one mutex.
#pragma once

#include <windows.h>

#include <string>

namespace kb::launcher {

enum MutexProbe : int { kMutexFree = 0, kMutexTaken = 1, kMutexDenied = 2 };

// Whether a mutex of name exists: with usePrefix on NT 5 and later the probed
// name is "Global\" followed by name. The probe creates the mutex and closes
// it at once; an existing one that may not be opened answers kMutexDenied.
int ProbeNamedMutex(const std::string& name, bool usePrefix);

// True when the program's mutex (probed with the prefix) is taken. When it
// exists, the program's top-level window (class and title as given; an empty
// class matches any class), never one of this process, is restored if
// minimised and brought forward.
bool IsProgramRunning(const std::string& name, const std::string& windowClass, const std::string& windowTitle);

// Holds one named mutex for as long as it lives.
class CNamedMutex {
public:
    CNamedMutex() = default;
    ~CNamedMutex() { Release(); }
    CNamedMutex(const CNamedMutex&) = delete;
    CNamedMutex& operator=(const CNamedMutex&) = delete;

    // Takes the full name (with its own "Global\" or "Local\" part) and the
    // window to bring forward when the name is taken (both given, each shorter
    // than 256 bytes, or none). A mutex still held is released first, so a
    // second Setup never loses a handle.
    void Setup(const std::string& name, const char* windowClass, const char* windowTitle);
    // Probes "Global\" followed by the full name (on NT 5 and later); when it
    // is free the mutex is created under the full name and held. Answers
    // whether the name was taken; a taken name brings the window forward.
    bool Acquire();
    void Create();
    void Release();

    bool Held() const { return m_hMutex != nullptr; }
    const std::string& Name() const { return m_strName; }

private:
    HANDLE m_hMutex = nullptr;
    std::string m_strName;
    char m_szWindowClass[256] = {};
    char m_szWindowTitle[256] = {};
    const char* m_pszWindowClass = nullptr;
    const char* m_pszWindowTitle = nullptr;
};

}  // namespace kb::launcher
