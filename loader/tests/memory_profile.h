// An in-memory profile for the portable tests: values are returned exactly
// as set (the platform's own unquoting and trimming are tested under Wine).
#pragma once
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "loader/profile.h"

namespace kb::loader::testing {

class MemoryProfile final : public ProfileReader {
public:
    MemoryProfile& Set(const std::string& section, const std::string& key, const std::string& value) {
        values_[{section, key}] = value;
        return *this;
    }
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const override {
        auto it = values_.find({section, key});
        return it == values_.end() ? defaultValue : it->second;
    }

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

// Opens copies of the profiles it holds by path (an unknown path: an empty
// profile, as for a missing file) and counts the openings.
class MemoryProfiles {
public:
    MemoryProfile& operator[](const std::string& path) { return files_[path]; }
    int openings = 0;
    ProfileOpener Opener() {
        return [this](const std::string& path) -> std::unique_ptr<ProfileReader> {
            ++openings;
            auto it = files_.find(path);
            return std::make_unique<MemoryProfile>(it == files_.end() ? MemoryProfile{} : it->second);
        };
    }

private:
    std::map<std::string, MemoryProfile> files_;
};

}  // namespace kb::loader::testing
