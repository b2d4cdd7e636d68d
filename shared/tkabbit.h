// TKabbit: the archive server's run-time binding of the pack library
// (Kabbit.dll). It binds nineteen functions by name, reports each missing one
// once, and wraps them with the pack path and password it holds. A method
// whose function is missing fails cleanly (-1, false or an empty string)
// without calling anything.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shared/base/dll_binding.h"

namespace kb {

// The functions TKabbit binds, in the order they are looked up and reported
// (shared/tkabbit_functions.inc).
enum class KabbitFn : size_t {
#define KB_BIND(name, withPeriod) name,
#include "shared/tkabbit_functions.inc"
#undef KB_BIND
    Count
};
// Names, with the report's final period where it has one.
extern const WantedFunction kTKabbitFunctions[static_cast<size_t>(KabbitFn::Count)];

class TKabbit {
public:
    // Loads "Kabbit.dll" from the folder of the module that holds this code.
    TKabbit();
    // Loads the library at fullPath (its file name is used in reports).
    explicit TKabbit(const std::string& fullPath);
    // A library loaded elsewhere (null: not loaded).
    TKabbit(std::unique_ptr<DynamicLibrary> library, const std::string& fileName);
    ~TKabbit();
    TKabbit(const TKabbit&) = delete;
    TKabbit& operator=(const TKabbit&) = delete;

    // The owner sets these directly.
    std::string packPath;
    std::string password;

    // True when the library loaded, also when some functions are missing.
    bool Usable() const { return binding_.Loaded(); }
    bool Has(KabbitFn fn) const { return binding_.Function(static_cast<size_t>(fn)) != nullptr; }
    const std::string& WorkingFolder() const { return workingFolder_; }

    // Creates the folder (every missing level), passes it with a trailing
    // backslash to the library, keeps it.
    void SetWorkingDir(const std::string& folder);
    int Pack(const std::string& src, const std::string& dst, bool compress);
    int PackPartFolder(const std::string& folder, const std::vector<std::string>& files, bool compress);
    // Unpacks entry + ".cmp" into folder.
    int UnPack(const std::string& folder, const std::string& entry);
    int GetProgress();
    int GetProgress(std::string& currentName);
    int CreateNew(int a, int b);
    // Converts path in place; over-long input (more than 521 bytes) is refused
    // with PACKERR_PATH_TOO_LONG without calling the library.
    int ConvertFilePath(std::string& path);
    bool Stop(void* window);
    // exclude may be null. src and dst longer than 255 bytes: PACKERR_PATH_TOO_LONG.
    int PreCompress(const std::string& src, const std::string& dst, const std::vector<std::string>* exclude);
    void FreeExcludeFileListBuf();
    int EncryptBufferData(void* buffer, int length);
    int DecryptBufferData(void* buffer, int length);
    std::string GetPreCompressFileName();
    int ForceCompleteCompress(bool force);
    // Fills list with the library's failed file names; the library's code.
    int GetErrorFileNames(std::vector<std::string>& list);
    int GetMajorVar();
    int GetMinorVar();
    int GetFileType();
    // Packs src into the pack as dst and waits: compress first, once more
    // without compression when memory runs short; 0 or the failure's code.
    int KabbitFile(const std::string& src, const std::string& dst);
    // Unpacks one entry and waits; 0 or the failure's code.
    int UnKabbit(const std::string& folder, const std::string& entry);
    // Names and sizes of the pack's entries; the sum of the sizes, or -1.
    int64_t EnumFileNames(std::vector<std::string>& names, std::vector<uint32_t>& sizes);
    static const char* GetErrorString(int code);

    // What runs between two progress polls (tests replace it).
    void (*pollPause)() = nullptr;
    // The exclude list last built (a NameList) and its length, for inspection.
    const std::vector<char>& ExcludeList() const { return excludeList_; }

private:
    // The bound function with its export list signature, null when missing.
    template <KabbitFn F>
    auto Fn() const;
    const char* PasswordArg() const;
    int WaitForJob();
    int GetTypeBytes(uint8_t& version, uint8_t& flags);

    DllBinding binding_;
    std::string workingFolder_;
    std::vector<char> excludeList_;
};

}  // namespace kb
