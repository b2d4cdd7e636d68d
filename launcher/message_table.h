// The launcher's sixteen numbered messages: their ids, where each lives in
// "Dremlin.ini", and the table that holds them once read.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace kb::launcher {

// The ids are the interface between the launcher and its settings file.
enum MessageId : int {
    kMsgComment = 0,
    kMsgButtonTitle = 1,
    kMsgInvalidOs = 2,
    kMsgAppRunning = 3,  // one "%s": the running program's name
    kMsgFailMutex = 4,
    kMsgNoCdRomDrive = 5,
    kMsgNoDiscInserted = 6,
    kMsgInvalidDisc = 7,    // one "%s": the edition name
    kMsgNoDataWritten = 8,  // one "%s": the edition name
    kMsgFailToRetrieveSkin = 9,
    kMsgFailToRunApp = 10,
    kMsgEreserRunning = 11,
    kMsgFailDriverCheck = 12,
    kMsgNeedDriverInstall = 13,
    kMsgDownloadSiteUrl = 14,
    kMsgWaitingAppRun = 15,
};
constexpr int kMessageCount = 16;

struct MessageKey {
    int id;
    const char* section;
    const char* key;
    const char* defaultText;
};

// The sixteen keys in id order; every default is empty but the download page's.
extern const MessageKey kMessageKeys[kMessageCount];

// Reads one string value of the settings file (already unquoted): section,
// key, default.
using IniStringReader = std::function<std::string(std::string_view, std::string_view, std::string_view)>;

// The messages of one settings file, by id.
class MessageTable {
public:
    // Reads the sixteen keys in id order; an id already present keeps its
    // first text.
    void LoadMessages(const IniStringReader& read);
    // The text of id; empty when there is none (also before LoadMessages).
    std::string GetMessageText(int id) const;

private:
    std::map<int, std::string> texts_;
};

}  // namespace kb::launcher
