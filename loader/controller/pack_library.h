// What the loader's sequences ask of the pack library, so that a fake
// library can drive them: the TKabbit binding behind a small interface.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "loader/bindings.h"

namespace kb::loader {

class PackLibrary {
public:
    virtual ~PackLibrary() = default;
    // The folder the library keeps its temporary copies in.
    virtual void SetWorkingDir(const std::string& folder) = 0;
    // The pack the next UnPack reads, and its password.
    virtual void SetPackPath(const std::string& path) = 0;
    virtual void SetPackPassword(const std::string& password) = 0;
    // Starts unpacking entry (the library's ".cmp" entry of that name) into
    // destFolder (with a trailing backslash): 0 started, else a negative pack
    // error code (-1 when the library lacks the function).
    virtual int UnPack(const std::string& destFolder, const std::string& entry) = 0;
    // Bounds the next UnPack alone: its entry and what the entry's records
    // declare may write at most bytes in all, else that unpack fails with
    // PACKERR_FILE_TOO_BIG before anything of it is written.
    virtual void SetUnpackLimit(uint64_t bytes) = 0;
    // The running job's ProgressValue: 0 to 100 working, 101 done, negative
    // its error code; name is the file being written.
    virtual int GetProgress(std::string& name) = 0;
    // Asks the running job to stop; the library then posts WM_PACK_STOPPED to
    // window. False when there was nothing to stop.
    virtual bool Stop(intptr_t window) = 0;
    // The text of a pack error code.
    virtual std::string ErrorString(int code) = 0;
};

// The pack library through its run-time binding.
class KabbitPackLibrary final : public PackLibrary {
public:
    explicit KabbitPackLibrary(std::unique_ptr<TKabbit> binding) : binding_(std::move(binding)) {}
    TKabbit& Binding() { return *binding_; }

    void SetWorkingDir(const std::string& folder) override { binding_->SetWorkingDir(folder); }
    void SetPackPath(const std::string& path) override { binding_->packPath = path; }
    void SetPackPassword(const std::string& password) override { binding_->packPassword = password; }
    int UnPack(const std::string& destFolder, const std::string& entry) override {
        return binding_->UnPack(destFolder, entry);
    }
    void SetUnpackLimit(uint64_t bytes) override { binding_->SetUnpackLimit(bytes); }
    int GetProgress(std::string& name) override { return binding_->GetProgress(name); }
    bool Stop(intptr_t window) override { return binding_->Stop(reinterpret_cast<void*>(window)); }
    std::string ErrorString(int code) override { return TKabbit::GetErrorString(code); }

private:
    std::unique_ptr<TKabbit> binding_;
};

}  // namespace kb::loader
