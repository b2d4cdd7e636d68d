// A shell that hands out numbered icons and records what it was asked, and
// image lists that record what they hold.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "loader/views/icon_cache.h"

namespace kb::loader::testing {

class FakeShell final : public ShellIconProvider {
public:
    struct Answer {
        bool large = true, small = true;
        int width = 32, height = 32;
    };
    std::map<std::string, Answer> answers;  // by shell name; others get the default
    std::vector<std::string> queries;       // "shellName|attributes"
    std::set<uintptr_t> alive;              // handed out, not yet destroyed
    int destroyedTwice = 0;

    void GetIcons(const std::string& shellName, uint32_t attributes, ShellIcon& large, ShellIcon& small) override {
        queries.push_back(shellName + "|" + std::to_string(attributes));
        Answer a = answers.count(shellName) ? answers[shellName] : Answer{};
        if (a.large) large = Make(a.width, a.height);
        if (a.small) small = Make(16, 16);
    }
    void Destroy(const ShellIcon& icon) override {
        if (!alive.erase(reinterpret_cast<uintptr_t>(icon.handle))) ++destroyedTwice;
    }

private:
    ShellIcon Make(int w, int h) {
        const uintptr_t id = next_++;
        alive.insert(id);
        return {reinterpret_cast<void*>(id), w, h};
    }
    uintptr_t next_ = 0x1000;
};

class FakeImages final : public IconImageStore {
public:
    int width = 32, height = 32;
    bool refuse = false;
    std::vector<uintptr_t> large, small;  // the icons copied, by index
    std::vector<std::pair<int, int>> resizes;

    int LargeWidth() const override { return width; }
    int LargeHeight() const override { return height; }
    void SetLargeSize(int w, int h) override {
        width = w;
        height = h;
        resizes.emplace_back(w, h);
    }
    bool Add(const ShellIcon& l, const ShellIcon& s) override {
        if (refuse) return false;
        large.push_back(reinterpret_cast<uintptr_t>(l.handle));
        small.push_back(reinterpret_cast<uintptr_t>(s.handle));
        return true;
    }
};

}  // namespace kb::loader::testing
