#include "launcher/message_table.h"

namespace kb::launcher {

// A placeholder page on a reserved example domain: the publisher names its
// own in the settings file.
const MessageKey kMessageKeys[kMessageCount] = {
    {kMsgComment, "Dialog", "Comment", ""},
    {kMsgButtonTitle, "Dialog", "ButtonTitle", ""},
    {kMsgInvalidOs, "Message", "InvalidOs", ""},
    {kMsgAppRunning, "Message", "AppRunning", ""},
    {kMsgFailMutex, "Message", "FailMutex", ""},
    {kMsgNoCdRomDrive, "Message", "NoCdRomDrive", ""},
    {kMsgNoDiscInserted, "Message", "NoDiscInserted", ""},
    {kMsgInvalidDisc, "Message", "InvalidDisc", ""},
    {kMsgNoDataWritten, "Message", "NoDataWritten", ""},
    {kMsgFailToRetrieveSkin, "Message", "FailToRetrieveSkin", ""},
    {kMsgFailToRunApp, "Message", "FailToRunApp", ""},
    {kMsgEreserRunning, "Message", "EreserRunning", ""},
    {kMsgFailDriverCheck, "Message", "FailDriverCheck", ""},
    {kMsgNeedDriverInstall, "Message", "NeedDriverInstall", ""},
    {kMsgDownloadSiteUrl, "Message", "DownloadSiteUrl", "http://www.example.com/driver/"},
    {kMsgWaitingAppRun, "Message", "WaitingAppRun", ""},
};

void MessageTable::LoadMessages(const IniStringReader& read) {
    for (const MessageKey& k : kMessageKeys) texts_.emplace(k.id, read(k.section, k.key, k.defaultText));
}

std::string MessageTable::GetMessageText(int id) const {
    auto it = texts_.find(id);
    return it == texts_.end() ? std::string() : it->second;
}

}  // namespace kb::launcher
