// The loader's run-time bindings: TKabbit (pack library), TArkstow (archive
// server), TSpurlane (marker-file searcher) and the driver-install manager's
// administrator question. Each library is loaded from the loader's own folder,
// every function looked up by name, each missing one reported in a fixed order
// with the texts below, and a method whose function is missing fails cleanly
// (-1, false, nothing) without calling anything.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "loader/work_folder.h"
#include "shared/base/dll_binding.h"

namespace kb::loader {

// Title of the loader's plain message boxes (the application's title).
constexpr char kLoaderTitle[] = "Sorvex";

// The default pack password, passed when the loader's own is shorter than 6.
constexpr char kDefaultPackPassword[] = "TARVEL";

enum class KabbitFn : size_t {
    CreateNew, EnumFiles, GetType, Pack, PackPartFolder, UnPack, GetProgress, ConvertFilePath, GetFileCount,
    GetTotalSize, GetFileInfo, Stop, PreCompress, GetPreCompressFileName, SetWorkingDir, ForceCompleteCompress,
    GetErrorFileNames,
    Count
};
enum class ArkstowFn : size_t {
    CreateNew, GetCount, GetName, GetInfo, Add, LoadByIndex, LoadByName, SaveByIndex, SaveByName, SaveAll,
    Count
};
enum class SpurlaneFn : size_t { IsExistInstKey, IsExistNeedRebootKey, Count };

// Look-up and report order, with each report's final period or its absence.
extern const WantedFunction kKabbitFunctions[static_cast<size_t>(KabbitFn::Count)];
extern const WantedFunction kArkstowFunctions[static_cast<size_t>(ArkstowFn::Count)];
extern const WantedFunction kSpurlaneFunctions[static_cast<size_t>(SpurlaneFn::Count)];

// Loads a library by full path; null when it cannot be loaded.
using LibraryLoad = std::unique_ptr<DynamicLibrary> (*)(const std::string& fullPath);

class TKabbit {
public:
    // "Kabbit.dll" in the loader's folder; every missing function is reported,
    // all 17 when the library does not load.
    TKabbit();
    // A library loaded elsewhere (null: not loaded), reported as "Kabbit.dll".
    explicit TKabbit(std::unique_ptr<DynamicLibrary> library);
    TKabbit(const TKabbit&) = delete;
    TKabbit& operator=(const TKabbit&) = delete;

    // The pack the next UnPack reads, and its password; set by the owner.
    std::string packPath;
    std::string packPassword;

    bool Has(KabbitFn fn) const { return binding_.Function(static_cast<size_t>(fn)) != nullptr; }
    const std::string& WorkingFolder() const { return workingFolder_; }

    // Creates folder when missing (one level), passes it with a trailing
    // backslash to the library, keeps it unchanged.
    void SetWorkingDir(const std::string& folder);
    // Starts unpacking entry + ".cmp" of packPath into destFolder: 0 started,
    // a negative pack error code, or -1 without any call for an empty packPath
    // or a missing function. packPassword shorter than 6: "TARVEL" is passed.
    int UnPack(const std::string& destFolder, const std::string& entry);
    // The library's bound on the next UnPack (bytes in all, 0 none). Looked up
    // beside the 17 and never reported: a library without it unpacks unbounded.
    void SetUnpackLimit(uint64_t bytes);
    // The job's ProgressValue (-1 when the function is missing); the second form
    // also gives the name being worked on (at most 259 bytes).
    int GetProgress();
    int GetProgress(std::string& name);
    // Asks the running job to stop; window gets WM_PACK_STOPPED when it has.
    bool Stop(void* window);
    // The pack error's text; "Unknown error." for any other value.
    static std::string GetErrorString(int code);

private:
    template <class F>
    F Fn(KabbitFn fn) const {
        return binding_.Get<F>(static_cast<size_t>(fn));
    }
    DllBinding binding_;
    void* setUnpackLimit_ = nullptr;
    std::string workingFolder_;
};

// A picture that reads itself from an entry's bytes (its own checked decoder).
class Graphic {
public:
    virtual ~Graphic() = default;
    // False, and the picture unchanged, when the bytes are not one it can read.
    virtual bool LoadFromBytes(const std::vector<uint8_t>& bytes) = 0;
};

class TArkstow {
public:
    // "Arkstow.dll" in the loader's folder; all 10 reported when it does not load.
    TArkstow();
    explicit TArkstow(std::unique_ptr<DynamicLibrary> library);
    TArkstow(const TArkstow&) = delete;
    TArkstow& operator=(const TArkstow&) = delete;

    int LastResult() const { return lastResult_; }
    const std::string& ArchivePath() const { return archivePath_; }
    int EntryCount() const { return entryCount_; }
    const std::vector<std::string>& EntryNames() const { return entryNames_; }

    // Lists the archive's entry names; an archive that cannot be counted
    // leaves no names, no path and LastResult negative. An entry whose name
    // cannot be read is left out of the names.
    void OpenArchive(const std::string& path);
    // The named entry of the open archive into bytes; false when it cannot be
    // loaded (LastResult tells why).
    bool LoadToStream(const std::string& name, std::vector<uint8_t>& bytes);
    // The named entry read by graphic; false, graphic unchanged, when the entry
    // cannot be loaded or graphic cannot read it.
    bool LoadGraphic(const std::string& name, Graphic& graphic);

private:
    template <class F>
    F Fn(ArkstowFn fn) const {
        return binding_.Get<F>(static_cast<size_t>(fn));
    }
    DllBinding binding_;
    int lastResult_ = 0;
    std::string archivePath_;
    int entryCount_ = 0;
    std::vector<std::string> entryNames_;
};

class TSpurlane {
public:
    // "Spurlane.dll" in the loader's folder; missing functions reported only
    // when the library loads ("...() not found in dll.").
    TSpurlane();
    explicit TSpurlane(std::unique_ptr<DynamicLibrary> library);
    TSpurlane(const TSpurlane&) = delete;
    TSpurlane& operator=(const TSpurlane&) = delete;

    bool Loaded() const { return binding_.Loaded(); }
    // True when the function answers non-zero; false when it is missing.
    bool IsExistInstKey();
    bool IsExistNeedRebootKey();

private:
    DllBinding binding_;
};

// Asks the driver-install manager whether the user is an administrator: 1 yes,
// 0 no, -1 after "Cannot load Kellmark.dll" or "IsAdministrator() not found in
// Kellmark.dll". An empty libraryPath means "Kellmark.dll" in the loader's
// folder. The library is freed before returning.
int KellmarkIsAdministrator(const std::string& libraryPath);
int KellmarkIsAdministrator(const std::string& libraryPath, LibraryLoad load);

// The write test's administrator answer: KellmarkIsAdministrator("") == 1,
// asked on first use and kept.
AdminAnswer KellmarkAdminAnswer();

}  // namespace kb::loader
