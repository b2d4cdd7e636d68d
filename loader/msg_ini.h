// TMsgIni: the loader's numbered messages, read by number from one section
// (chosen by program kind) of "Message.Ini".
#pragma once
#include <memory>
#include <string>

#include "loader/profile.h"

namespace kb::loader {

// What every missing message, and every missing line of one, reads.
constexpr char kLoadMessageError[] = "Load Message Error";

class TMsgIni {
public:
    explicit TMsgIni(ProfileOpener opener);
    TMsgIni(const TMsgIni&) = delete;
    TMsgIni& operator=(const TMsgIni&) = delete;

    // Opens a reader on path unless path is the file already open (exact
    // comparison): the same path again keeps the reader.
    void SetIniFile(const std::string& path);
    // 1 "Launcher", 2 "Loader", 3 "Writer"; any other kind is stored as 0, "None".
    void SetKind(int kind);
    // Message n; never fails: "Load Message Error" for what is missing. A
    // multi-line message ("Count%.3d" of 1 or more) is its lines joined by CR LF
    // (at most 9999 lines).
    std::string ReadMessage(int n) const;

    const std::string& FileName() const { return fileName_; }
    const std::string& SectionName() const { return sectionName_; }
    int Kind() const { return kind_; }

private:
    ProfileOpener opener_;
    std::unique_ptr<ProfileReader> iniFile_;
    std::string fileName_;
    std::string sectionName_;
    int kind_ = 0;
};

}  // namespace kb::loader
