#include "testing/builders/ach_builder.h"

#include <stdexcept>

namespace ark::testing {

AchBuilder& AchBuilder::Add(BuilderEntry entry) {
    if (static_cast<int64_t>(entries_.size()) >= slotCount_) throw std::logic_error("more entries than slots");
    entries_.push_back(std::move(entry));
    return *this;
}

AchBuilder& AchBuilder::Add(std::string name, std::string body) {
    BuilderEntry e;
    e.name = std::move(name);
    e.body = std::move(body);
    return Add(std::move(e));
}

uint32_t AchBuilder::NameOffset(size_t entry) const {
    uint32_t pos = 4 + 40 * static_cast<uint32_t>(slotCount_ < 0 ? 0 : slotCount_);
    for (size_t i = 0; i < entry; ++i)
        pos += static_cast<uint32_t>(entries_[i].name.size() + 1 + entries_[i].body.size());
    return pos;
}

uint32_t AchBuilder::BodyOffset(size_t entry) const {
    return NameOffset(entry) + static_cast<uint32_t>(entries_[entry].name.size() + 1);
}

void PutLe32(std::string& image, size_t position, uint32_t value) {
    if (image.size() < position + 4) image.resize(position + 4, '\0');
    for (int i = 0; i < 4; ++i) image[position + i] = static_cast<char>(value >> (8 * i));
}

std::string AchBuilder::Build() const {
    std::string image;
    PutLe32(image, 0, static_cast<uint32_t>(slotCount_));
    image.resize(4 + 40 * static_cast<size_t>(slotCount_ < 0 ? 0 : slotCount_), '\0');
    for (size_t i = 0; i < entries_.size(); ++i) {
        const auto& e = entries_[i];
        const size_t s = SlotPos(static_cast<uint32_t>(i));
        PutLe32(image, s + 0, NameOffset(i));
        PutLe32(image, s + 4, BodyOffset(i));
        PutLe32(image, s + 8, static_cast<uint32_t>(e.body.size()));
        PutLe32(image, s + 12, e.attributes);
        const uint64_t times[3] = {e.creation, e.lastAccess, e.lastWrite};
        for (int t = 0; t < 3; ++t) {
            PutLe32(image, s + 16 + 8 * t, static_cast<uint32_t>(times[t]));
            PutLe32(image, s + 20 + 8 * t, static_cast<uint32_t>(times[t] >> 32));
        }
        image += e.name;
        image += '\0';
        image += e.body;
    }
    return image;
}

std::string PatternBody(size_t size) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7) & 0xFF);
    return s;
}

}  // namespace ark::testing
