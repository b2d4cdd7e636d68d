#include "loader/skin/skin_def.h"

#include <cstdio>
#include <iterator>
#include <memory>

#include "loader/path_csv.h"

namespace kb::loader {
namespace {

using K = SkinPartKind;

struct PartRow {
    const char* group;
    const char* part;
    SkinPartKind kind;
};

// Every part of every group, groups in the order they are compared, parts
// in the order they are read.
constexpr PartRow kParts[] = {
    {"Wm", "WmBg", K::Background},      {"Wm", "WmDrop", K::Frames},           {"Wm", "WmTreeView", K::Rectangle},
    {"Wm", "WmFree", K::Text},          {"Wm", "WmSize", K::ColorTable},       {"Wm", "WmPageWork", K::Page},
    {"Wp", "WpBg", K::Background},      {"Wp", "WpBg2", K::Background},        {"Wp", "WpPassword1", K::Text},
    {"Wp", "WpPassword2", K::Text},     {"Wp", "WpDays", K::Text},             {"Wp", "WpDate1", K::Rectangle},
    {"Wp", "WpDate2", K::Rectangle},    {"Wd", "WdBg", K::Background},         {"Wd", "WdCDD", K::Text},
    {"Wd", "WdHDD", K::Rectangle},      {"Ww", "WwBg", K::Background},         {"Ww", "WwVolume", K::Text},
    {"Ww", "WwSpeed", K::Rectangle},    {"Ww", "WwCompare", K::Button},        {"Ws", "WsBg", K::Background},
    {"Ws", "WsBg2", K::Background},     {"Ws", "WsBarReady", K::Text},         {"Ws", "WsBarEncrypt", K::Text},
    {"Ws", "WsBarImage", K::Text},      {"Ws", "WsBarWrite", K::Text},         {"Ws", "WsBarCompare", K::Text},
    {"Ws", "WsMarks", K::Marks},        {"Ws", "WsMarkReady", K::Position},    {"Ws", "WsMarkEncrypt", K::Position},
    {"Ws", "WsMarkImage", K::Position}, {"Ws", "WsMarkWrite", K::Position},    {"Ws", "WsMarkCompare", K::Position},
    {"Ws", "WsMsg", K::ColorTable},     {"Rm", "RmBg", K::Background},         {"Rm", "RmPageView", K::Page},
    {"Rm", "RmPageWork", K::Page},      {"Rm", "RmPageInit", K::Page},         {"Rm", "RmVolume", K::Text},
    {"Rm", "RmPermission", K::Text},    {"Rm", "RmSize", K::Text},             {"Rm", "RmStatus", K::Text},
    {"Rm", "RmListView", K::Rectangle}, {"Rm", "RmTreeView", K::Rectangle},    {"Rp", "RpBg", K::Background},
    {"Rp", "RpPassword", K::Text},      {"Rs", "RsBg", K::Background},         {"Rs", "RsFileName", K::Text},
    {"Rs", "RsBar", K::Text},           {"Rw", "RwBg", K::Background},         {"Rw", "RwBg2", K::Background},
    {"Rw", "RwFileName", K::Text},      {"Sp", "SpBg", K::Background},         {"Sp", "SpMsg", K::Text},
    {"Sw", "SwBg", K::Background},      {"Sw", "SwMsg", K::Text},              {"Cd", "CdBg", K::Background},
    {"Cd", "CdFrame", K::Size},         {"Cd", "CdTop", K::ImageName},         {"Cd", "CdBottom", K::ImageName},
    {"Cd", "CdLeft", K::ImageName},     {"Cd", "CdRight", K::ImageName},       {"Cd", "CdLeftTop", K::ImageName},
    {"Cd", "CdRightTop", K::ImageName}, {"Cd", "CdLeftBottom", K::ImageName},  {"Cd", "CdRightBottom", K::ImageName},
    {"Cd", "CdText", K::ColorPair},     {"We", "WeBg", K::Background},
};

bool IsHexDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

bool IsDecimal(std::string_view s) {
    while (!s.empty() && s[0] == ' ') s.remove_prefix(1);
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Numbered keys have two digits with a leading zero: "Color05", never "Color5".
std::string NumberedKey(const char* stem, int n) {
    char key[16];
    std::snprintf(key, sizeof key, "%s%.2d", stem, n);
    return key;
}

class PartReader {
public:
    PartReader(const ProfileReader& ini, SkinPart& p) : ini_(ini), p_(p) {}
    std::string S(const char* key) const { return Str(key); }
    int I(const char* key) const { return ParseSkinInteger(ini_.ReadString(p_.part, key, "")); }
    std::string Str(const std::string& key) const {
        std::string v = ini_.ReadString(p_.part, key, "");
        if (v.size() > kProfileValueLimit) v.resize(kProfileValueLimit);
        return v;
    }
    void Ltwh() const {
        p_.left = I("Left");
        p_.top = I("Top");
        p_.width = I("Width");
        p_.height = I("Height");
    }

private:
    const ProfileReader& ini_;
    SkinPart& p_;
};

void ReadPart(const ProfileReader& ini, SkinPart& p) {
    PartReader r(ini, p);
    switch (p.kind) {
        case K::Background:
            p.name = r.S("Name");
            p.region = r.S("Region");
            p.move = r.I("Move");
            p.left = r.I("Left");
            p.top = r.I("Top");
            break;
        case K::Position:
            p.left = r.I("Left");
            p.top = r.I("Top");
            break;
        case K::Size:
            p.width = r.I("Width");
            p.height = r.I("Height");
            break;
        case K::Rectangle:
            r.Ltwh();
            break;
        case K::ColorTable:
            r.Ltwh();
            for (int i = 0; i < kSkinNumberedKeys; ++i)
                p.colors[static_cast<size_t>(i)] = ParseSkinInteger(r.Str(NumberedKey("Color", i)));
            break;
        case K::ImageName:
            p.name = r.S("Name");
            break;
        case K::ColorPair:
            p.bgColor = r.I("BgColor");
            p.fgColor = r.I("FgColor");
            break;
        case K::Page:
            p.name = r.S("Name");
            r.Ltwh();
            break;
        case K::Text:
            r.Ltwh();
            p.bgColor = r.I("BgColor");
            p.fgColor = r.I("FgColor");
            p.fontColor = r.I("FontColor");
            break;
        case K::Button:
            p.onUp = r.S("OnUp");
            p.onDown = r.S("OnDown");
            p.offUp = r.S("OffUp");
            p.offDown = r.S("OffDown");
            p.left = r.I("Left");
            p.top = r.I("Top");
            break;
        case K::Marks:
            p.width = r.I("Width");
            p.height = r.I("Height");
            p.ready = r.S("Ready");
            p.done = r.S("Done");
            for (int i = 0; i < kSkinNumberedKeys; ++i) p.images[static_cast<size_t>(i)] = r.Str(NumberedKey("Now", i));
            break;
        case K::Frames:
            r.Ltwh();
            for (int i = 0; i < kSkinNumberedKeys; ++i)
                p.images[static_cast<size_t>(i)] = r.Str(NumberedKey("Frame", i));
            break;
    }
}

// The file of prefix's first letter with the given extension ("def", "arc").
std::string SkinFilePath(std::string_view prefix, const SkinFiles& files, const char* extension) {
    if (prefix.empty()) return {};
    const char* name = nullptr;
    switch (prefix[0]) {
        case 'C': name = "Common"; break;
        case 'R': name = "Reader"; break;
        case 'W': name = "Writer"; break;
        case 'S': name = "Splash"; break;
        default: return {};
    }
    const std::string dir = IncludeTrailingBackslash(files.programDir);
    const std::string file = std::string(name) + "." + extension;
    std::string path = dir + "skin\\" + file;
    if (prefix[0] == 'S' && !(files.fileExists && files.fileExists(path))) path = dir + "default\\" + file;
    return path;
}

}  // namespace

int ParseSkinInteger(const std::string& text) {
    const bool hex = (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
                      IsHexDigits(std::string_view(text).substr(2))) ||
                     (!text.empty() && text[0] == '$' && IsHexDigits(std::string_view(text).substr(1)));
    if (!hex && !IsDecimal(text)) return 0;
    int value = 0;
    return ParseProfileInteger(text, value) ? value : 0;
}

std::string SkinDefPath(std::string_view prefix, const SkinFiles& files) {
    return SkinFilePath(prefix, files, "def");
}

std::string SkinArchivePath(std::string_view prefix, const SkinFiles& files) {
    return SkinFilePath(prefix, files, "arc");
}

std::string SkinButtonListName(std::string_view prefix) {
    if (prefix.empty()) return {};
    switch (prefix[0]) {
        case 'C': return "Common.btn";
        case 'R': return "Reader.btn";
        case 'W': return "Writer.btn";
        default: return {};
    }
}

TSkinDef::TSkinDef(const std::string& prefix, const SkinFiles& files) : prefix_(prefix) {
    parts_.reserve(std::size(kParts));
    for (const PartRow& row : kParts) {
        SkinPart p;
        p.part = row.part;
        p.kind = row.kind;
        if (row.kind == K::ColorTable) p.colors.assign(kSkinNumberedKeys, 0);
        if (row.kind == K::Marks || row.kind == K::Frames) p.images.assign(kSkinNumberedKeys, std::string());
        parts_.push_back(std::move(p));
    }
    path_ = SkinDefPath(prefix, files);
    if (path_.empty() || !files.open) return;
    const std::unique_ptr<ProfileReader> ini = files.open(path_);
    if (!ini) return;
    for (size_t i = 0; i < std::size(kParts); ++i)
        if (prefix == kParts[i].group) ReadPart(*ini, parts_[i]);
}

const SkinPart* TSkinDef::Find(std::string_view part) const {
    for (const SkinPart& p : parts_)
        if (p.part == part) return &p;
    return nullptr;
}

std::string TSkinDef::GetBgName(std::string_view prefix) const {
    const SkinPart* p = Find(std::string(prefix) + "Bg");
    return p ? p->name : std::string();
}

std::string TSkinDef::GetBgRegion(std::string_view prefix) const {
    const SkinPart* p = Find(std::string(prefix) + "Bg");
    return p ? p->region : std::string();
}

int TSkinDef::GetBgMove(std::string_view prefix) const {
    const SkinPart* p = Find(std::string(prefix) + "Bg");
    return p ? p->move : 0;
}

}  // namespace kb::loader
