// The platform seam of component installation and the runtime-module install:
// what they need of Windows beyond the archive core's file seam (shared/base/fs.h).
// Windows implements it with the kernel, version, registry and loader
// functions; tests give their own.
#pragma once
#include <cstdint>
#include <string>

namespace ark::components {

// Outcome of writing a string value under HKEY_LOCAL_MACHINE.
enum class RegWrite { Ok, KeyFailed, ValueFailed };

// The first translation of a module's version resource and its FileVersion;
// both empty when there is no version resource, the version empty when the
// translation has no such string.
struct ModuleVersion {
    std::string translation;  // "%04x%04x": language, code page
    std::string fileVersion;  // bounded to 63 bytes
};

class System {
public:
    virtual ~System() = default;

    // The temp folder as the system gives it, and the system folder.
    virtual bool TempFolder(std::string& folder) = 0;
    virtual bool SystemFolder(std::string& folder) = 0;

    // True when root ("C:\") is a fixed drive.
    virtual bool IsFixedDrive(const std::string& root) = 0;
    // Creates path for reading and writing, no sharing, always created, and
    // closes it again; false when it cannot be created.
    virtual bool CreateProbeFile(const std::string& path) = 0;
    virtual bool RemoveFolder(const std::string& path) = 0;
    // Copies from over to (replacing it).
    virtual bool CopyOver(const std::string& from, const std::string& to) = 0;
    // The last-write time of path, opened for reading without sharing.
    virtual bool LastWriteTime(const std::string& path, uint64_t& time) = 0;
    // True when path can be opened for writing without sharing now: nothing
    // else holds it and it is not protected. The file is not changed.
    virtual bool CanReplace(const std::string& path) = 0;

    // True when path loads as a library and has "DllRegisterServer".
    virtual bool IsComServer(const std::string& path) = 0;
    virtual ModuleVersion ReadModuleVersion(const std::string& path) = 0;

    // Private-profile (ini) files.
    virtual bool WriteIniString(const std::string& file, const std::string& section,
                                const std::string& key, const std::string& value) = 0;
    virtual std::string ReadIniString(const std::string& file, const std::string& section,
                                      const std::string& key) = 0;
    // Appends bytes to path, creating it; false when it cannot be opened or written.
    virtual bool AppendBytes(const std::string& path, const std::string& bytes) = 0;
    // The current local date and time as text.
    virtual std::string LocalDateTime() = 0;

    // Creates (or opens) subkey under HKEY_LOCAL_MACHINE with full access and
    // sets the string value name = data.
    virtual RegWrite SetMachineString(const std::string& subkey, const std::string& name,
                                      const std::string& data) = 0;

    // Starts commandLine shown minimized and waits for it to end, keeping the
    // caller's messages flowing; false when it cannot be started.
    virtual bool RunAndWait(const std::string& commandLine) = 0;
    // The Windows version code (kb::WindowsVersionCode).
    virtual int WindowsVersionCode() = 0;

    // The outside registration library "Register.dll". Bind loads it when it is
    // not loaded yet and looks its four functions up: true only when all are
    // there. Unbind frees it. The calls are made only while bound.
    virtual bool BindRegisterLibrary() = 0;
    virtual void UnbindRegisterLibrary() = 0;
    virtual int IsRegistered(const std::string& path) = 0;
    virtual int Register(const std::string& path) = 0;
    virtual int SetCompareMode(int mode) = 0;
    virtual int SetCompareModeFileName(const std::string& fileName) = 0;
};

#ifdef _WIN32
// The process-wide Windows implementation.
System& WindowsSystem();
#endif

}  // namespace ark::components
