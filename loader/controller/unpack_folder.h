// A private folder under the loader's work folder for the index and control
// files while they are read: never fixed names in the shared temp folder.
#pragma once
#include <string>

namespace kb::loader {

class UnpackFolder {
public:
    explicit UnpackFolder(std::string workFolder) : workFolder_(std::move(workFolder)) {}
    ~UnpackFolder() { Remove(); }
    UnpackFolder(const UnpackFolder&) = delete;
    UnpackFolder& operator=(const UnpackFolder&) = delete;

    // The folder, with a trailing backslash, made when none is held: the first
    // free name "~ini0000" to "~ini9999" under the work folder (the work
    // folder itself is made when missing). Empty when none can be made.
    std::string Make();
    // Removes the held folder and everything in it (read-only files too);
    // nothing else is ever removed. What cannot be removed stays.
    void Remove();
    bool Held() const { return !path_.empty(); }

private:
    std::string workFolder_;
    std::string path_;  // without trailing backslash; empty none held
};

}  // namespace kb::loader
