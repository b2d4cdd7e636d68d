#include "testing/builders/disc_builder.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "shared/base/fs.h"
#include "packlib/kabbit_app.h"
#include "packlib/pack_jobs.h"
#include "testing/builders/pack_builder.h"
#include "shared/base/dbcs.h"
#include "shared/base/strutils.h"

namespace kb::testing::disc {
namespace {

using pack::CKabbitApp;
using pack::CPackJobs;

bool EndsWithBackslash(const std::string& path) {
    bool last = false;
    for (size_t i = 0; i < path.size(); i += CharLengthAt(path, i)) last = CharLengthAt(path, i) == 1 && path[i] == '\\';
    return last;
}

std::string TopName(const std::string& path) { return GetTopFolderName(path); }

std::string Field(const std::string& text) {
    return text.find(',') == std::string::npos ? text : "\"" + text + "\"";
}

bool WriteFile(const std::string& path, const std::string& data) {
    fs::File f = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::None);
    return f.IsOpen() && f.Write(data.data(), data.size()) && f.Close();
}

// Creates path and every missing folder above it, relative to base.
bool MakeFolders(const std::string& base, const std::string& relative) {
    for (size_t i = 0; i < relative.size(); i += CharLengthAt(relative, i))
        if (CharLengthAt(relative, i) == 1 && relative[i] == '\\') {
            const std::string folder = base + "\\" + relative.substr(0, i);
            if (!fs::Exists(folder) && !fs::CreateFolder(folder)) return false;
        }
    return true;
}

// The password type as the loader reads it: "MULTI" in any case.
bool IsMulti(const DiscLayout& layout) {
    if (!layout.passwordType) return false;
    std::string upper = *layout.passwordType;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper == "MULTI";
}

int RunToEnd(CKabbitApp& app, int rc) {
    if (rc < 0) return rc;
    app.WaitForWorker();
    const int p = app.GetProgress(nullptr);
    return p == kb::PACKPROGRESS_DONE ? 0 : (p < 0 ? p : -1);
}

// A pack at packPath holding one compressed ini file made from text.
int WriteIniPack(CKabbitApp& app, CPackJobs& jobs, const std::string& packPath, const std::string& password,
                 int rounds, const std::string& sourceFolder, const std::string& iniName, const std::string& text) {
    if (!fs::CreateFolder(sourceFolder) || !WriteFile(sourceFolder + "\\" + iniName, text)) return -1;
    if (const int rc = app.CreateNew(packPath.c_str(), password.c_str(), true, rounds)) return rc;
    return RunToEnd(app, jobs.Pack(packPath.c_str(), sourceFolder.c_str(), iniName.c_str(), password.c_str(), true));
}

int WriteSession(CKabbitApp& app, CPackJobs& jobs, const DiscLayout& layout, const DiscSession& s,
                 const std::string& root, const std::string& work) {
    char name[16];
    std::snprintf(name, sizeof name, "Session%.2d", s.number);
    const std::string folder = root + "\\" + name;
    const std::string scratch = work + "\\" + name;
    if (!fs::CreateFolder(folder) || !fs::CreateFolder(scratch)) return -1;
    const std::string index = layout.edition == 1 ? kIndexPasswordEdition1 : kIndexPasswordEditions02;
    const std::string contentPassword = IsMulti(layout) ? s.password : layout.discPassword;

    if (s.withControl) {
        const std::string ini = "[General]\r\nArchive=" + s.archive + "\r\nVolumeLabel=" + s.volumeLabel +
                                "\r\nPassword=" + s.password + "\r\n";
        if (const int rc = WriteIniPack(app, jobs, folder + "\\Control.pck", index, layout.rounds, scratch + "\\control",
                                        "Control.ini", ini))
            return rc;
    }
    if (s.withFilesLst && !WriteFile(folder + "\\Files.lst", s.filesLst ? *s.filesLst : FilesLstFor(s.files)))
        return -1;

    // The content: sources under scratch\src, then one entry per top-level name.
    const std::string src = scratch + "\\src";
    if (!fs::CreateFolder(src)) return -1;
    std::vector<std::string> tops;
    for (const DiscFile& f : s.files) {
        if (!MakeFolders(src, f.path)) return -1;
        if (EndsWithBackslash(f.path)) {
            const std::string folderPath = src + "\\" + f.path.substr(0, f.path.size() - 1);
            if (!fs::Exists(folderPath) && !fs::CreateFolder(folderPath)) return -1;
        } else if (!WriteFile(src + "\\" + f.path, f.data)) {
            return -1;
        }
        const std::string top = TopName(f.path);
        if (std::find(tops.begin(), tops.end(), top) == tops.end()) tops.push_back(top);
    }
    const std::string packPath = folder + "\\" + s.archive;
    if (s.contentPack) return WriteFile(packPath, *s.contentPack) ? 0 : -1;
    if (const int rc = app.CreateNew(packPath.c_str(), contentPassword.c_str(), true, layout.rounds)) return rc;
    for (const std::string& top : tops) {
        const bool isFolder = fs::Exists(src + "\\" + top) && [&] {
            uint32_t a = 0;
            return fs::GetAttributes(src + "\\" + top, &a) && (a & fs::kAttrDirectory);
        }();
        const bool plain =
            std::find(s.plainEntries.begin(), s.plainEntries.end(), top) != s.plainEntries.end();
        const int rc = isFolder ? jobs.Pack(packPath.c_str(), (src + "\\" + top).c_str(), "",
                                            contentPassword.c_str(), true)
                                : jobs.Pack(packPath.c_str(), src.c_str(), top.c_str(), contentPassword.c_str(),
                                            !plain);
        if (const int r = RunToEnd(app, rc)) return r;
    }
    return 0;
}

}  // namespace

std::string FilesLstFor(const std::vector<DiscFile>& files) {
    std::string rows;
    std::vector<std::string> tops;
    std::map<std::string, long long> totals;
    for (const DiscFile& f : files) {
        const bool folder = EndsWithBackslash(f.path);
        const long long size = folder ? 0 : static_cast<long long>(f.data.size());
        rows += Field(f.path) + "," + std::to_string(size) + "," + (folder ? "1" : "0") + "\r\n";
        const std::string top = TopName(f.path);
        if (!totals.count(top)) tops.push_back(top);
        totals[top] += size;
    }
    for (const std::string& top : tops) rows += Field(top) + "," + std::to_string(totals[top]) + ",2,0\r\n";
    return rows;
}

int WriteDisc(const DiscLayout& layout, const std::string& root, const std::string& workFolder) {
    CKabbitApp app;
    CPackJobs& jobs = app.Packing();
    const std::string tmp = workFolder + "\\tmp";
    if (!fs::CreateFolder(tmp)) return -1;
    app.SetWorkingDir((tmp + "\\").c_str());
    const std::string index = layout.edition == 1 ? kIndexPasswordEdition1 : kIndexPasswordEditions02;
    if (layout.withSessionsPck && layout.indexContainer) {
        BuilderEntry entry;
        entry.name = "Sessions.ini.cmp";
        entry.data = *layout.indexContainer;
        entry.compressed = true;
        if (!PackBuilder(index).Encrypted(static_cast<uint8_t>(layout.rounds)).Add(entry).WriteTo(root + "\\Sessions.Pck"))
            return -1;
    } else if (layout.withSessionsPck) {
        if (const int rc = WriteIniPack(app, jobs, root + "\\Sessions.Pck", index, layout.rounds, workFolder + "\\index",
                                        "Sessions.ini", "[General]\r\nPassword=" + layout.discPassword + "\r\n"))
            return rc;
    }
    if (layout.passwordType) {
        if (!fs::CreateFolder(root + "\\PasswordType") ||
            !WriteFile(root + "\\PasswordType\\PasswordType.Ini", "[Password]\r\nType=" + *layout.passwordType + "\r\n"))
            return -1;
    }
    for (const DiscSession& s : layout.sessions)
        if (const int rc = WriteSession(app, jobs, layout, s, root, workFolder)) return rc;
    for (const DiscFile& f : layout.rootFiles) {
        const std::string path = root + "\\" + f.path;
        const bool folder = !f.path.empty() && f.path.back() == '\\';
        if (!(folder ? fs::CreateFolder(path.substr(0, path.size() - 1)) : WriteFile(path, f.data))) return -1;
    }
    return 0;
}

DiscLayout SampleDisc() {
    DiscLayout layout;
    layout.discPassword = "Sample-Disc-Password";
    DiscSession one;
    one.number = 1;
    one.volumeLabel = "SAMPLE 1";
    one.files = {
        {"Docs\\", ""},
        {"Docs\\a.txt", "alpha\r\n"},
        {"Docs\\Sub\\", ""},
        {"Docs\\Sub\\b.bin", std::string(70000, 'b')},
        {"readme.txt", "read me\r\n"},
        {"notes, old.txt", "a comma in the name\r\n"},
        {"plain.dat", "stored as it is"},
    };
    one.plainEntries = {"plain.dat"};
    // "表" (0x95 0x5C) and "ソ" (0x83 0x5C) end on a byte that looks like a backslash.
    if (platform::IsLeadByte(0x95)) {
        one.files.push_back({"\x95\x5C\\", ""});
        one.files.push_back({"\x95\x5C\\\x83\x5C.txt", "double-byte names\r\n"});
    }
    DiscSession three;
    three.number = 3;
    three.volumeLabel = "SAMPLE 3";
    three.archive = "Data.pck";
    three.files = {{"only.txt", "session three\r\n"}};
    layout.sessions = {one, three};
    return layout;
}

namespace {

// Bytes that compress about as well as a photograph's: a few repeats in noise.
std::string Noise(size_t size, uint32_t seed) {
    std::string out(size, '\0');
    uint32_t x = seed;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        out[i] = static_cast<char>((x >> 24) & ((i / 4096) % 3 == 0 ? 0x0F : 0xFF));
    }
    return out;
}

std::string Lines(const std::string& line, int count) {
    std::string out;
    for (int i = 1; i <= count; ++i) out += std::to_string(i) + ". " + line + "\r\n";
    return out;
}

}  // namespace

DiscLayout DemoDisc() {
    DiscLayout layout;
    layout.edition = 1;  // the OEM launcher's loader reads it
    layout.discPassword = kDemoDiscPassword;
    DiscSession one;
    one.number = 1;
    one.volumeLabel = "HARBOUR GUIDE";
    one.files = {
        {"Welcome.txt", "Welcome to the harbour guide.\r\n"},
        {"Maps\\", ""},
        {"Maps\\Old town.bmp", Noise(90000, 1)},
        {"Maps\\Docks.bmp", Noise(120000, 2)},
    };
    DiscSession two;
    two.number = 2;
    two.volumeLabel = "HARBOUR PHOTOS";
    two.archive = "Photos.pck";
    two.files = {
        {"Photos\\", ""},
        {"Photos\\Lighthouse.raw", Noise(300000, 3)},
        {"Photos\\Pier.raw", Noise(200000, 4)},
        {"Photos\\Notes.txt", Lines("a quiet morning on the pier", 200)},
        {"Photos\\Night\\", ""},
        {"Photos\\Night\\Lanterns.raw", Noise(150000, 5)},
        // Large enough that the progress window shows it on its way.
        {"Survey.dat", Noise(16 * 1024 * 1024 + 123, 6)},
        {"Tide table.txt", Lines("high water 06:42, low water 12:55", 400)},
        {"Licence.txt", "Copy freely.\r\n"},
    };
    // "資料" (materials) holding "表.txt" (table), whose 0x5C trail byte looks like a backslash.
    if (platform::IsLeadByte(0x8E)) {
        two.files.push_back({"\x8E\x91\x97\xBF\\", ""});
        two.files.push_back({"\x8E\x91\x97\xBF\\\x95\x5C.txt", Lines("\x96\x9E\x92\xAA", 50)});
    }
    layout.sessions = {one, two};
    return layout;
}

}  // namespace kb::testing::disc
