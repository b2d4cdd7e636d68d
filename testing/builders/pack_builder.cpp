// Test-side pack writer.
#include "testing/builders/pack_builder.h"

#include <algorithm>
#include <cstring>

#include "packlib/buffer_cipher.h"
#include "shared/base/fs.h"

namespace kb::testing {
namespace {

void PutLe32(std::string& out, uint32_t v) {
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>(v >> (8 * k)));
}
void PutLe64(std::string& out, uint64_t v) {
    PutLe32(out, static_cast<uint32_t>(v));
    PutLe32(out, static_cast<uint32_t>(v >> 32));
}

}  // namespace

PackBuilder& PackBuilder::Encrypted(uint8_t rounds, uint8_t position) {
    encrypted_ = true;
    rounds_ = rounds;
    position_ = position;
    return *this;
}

PackBuilder& PackBuilder::WithoutPasswordFlag() {
    passwordFlag_ = false;
    return *this;
}

PackBuilder& PackBuilder::DigestMode() {
    digest_ = true;
    return *this;
}

PackBuilder& PackBuilder::RawPasswordField(const std::string& field256) {
    rawField_ = field256;
    return *this;
}

PackBuilder& PackBuilder::Add(BuilderEntry entry) {
    entries_.push_back(std::move(entry));
    return *this;
}

PackBuilder& PackBuilder::Add(const std::string& name, const std::string& data) {
    BuilderEntry e;
    e.name = name;
    e.data = data;
    return Add(std::move(e));
}

std::string PackBuilder::Header() const {
    std::string h;
    h.push_back(static_cast<char>(0x50));
    const uint8_t flags = (passwordFlag_ ? 1 : 0) | (encrypted_ ? 2 : 0) | (digest_ ? 4 : 0);
    h.push_back(static_cast<char>(~flags));
    // Salt: top bit of byte k is bit 7 - k of the position; low bits a fixed pattern.
    for (int k = 0; k < 8; ++k) {
        uint8_t b = encrypted_ ? static_cast<uint8_t>(((position_ >> (7 - k)) & 1) << 7 | ((k * 37 + 5) & 0x7F)) : 0;
        h.push_back(static_cast<char>(b));
    }
    for (int i = 0; i < 256; ++i) {
        uint8_t b = 0;
        if (encrypted_) b = i == position_ ? rounds_ : static_cast<uint8_t>(i * 13 + 1);
        h.push_back(static_cast<char>(b));
    }
    h.append(4, ' ');
    uint8_t field[256] = {};
    if (rawField_) {
        std::memcpy(field, rawField_->data(), std::min<size_t>(256, rawField_->size()));
    } else {
        std::memcpy(field, password_.data(), std::min<size_t>(255, password_.size()));
    }
    CBufferCipher cipher;
    if (digest_) {
        cipher.MakeDigestPasswordField(field, rounds_);
    } else if (rounds_ != 0) {
        cipher.CodePasswordField(field, rounds_);
    }
    h.append(reinterpret_cast<const char*>(field), 256);
    return h;
}

std::string PackBuilder::EntryBytes(uint32_t index) const {
    const BuilderEntry& e = entries_.at(index);
    CBufferCipher cipher(password_.c_str());
    if (rounds_) cipher.BuildDataKey(rounds_);
    std::string out;
    out.push_back(static_cast<char>(e.compressed ? 0x80 : 0));
    out.append(7, '\0');

    uint8_t field[4];
    auto putLength = [&](uint32_t v) {
        for (int k = 0; k < 4; ++k) field[k] = static_cast<uint8_t>(v >> (8 * k));
        if (rounds_) cipher.CodeLengthField(field, rounds_, index);
        out.append(reinterpret_cast<const char*>(field), 4);
    };
    putLength(e.nameLength.value_or(static_cast<uint32_t>(e.name.size())));
    std::string name = e.name;
    if (rounds_) {
        name.push_back('\0');
        cipher.EncodeEntryName(name.data(), rounds_, index);
        name.pop_back();
    }
    out += name;
    putLength(e.dataLength.value_or(static_cast<uint32_t>(e.data.size())));
    std::string data = e.data;
    for (size_t off = 0, chunk = 0; off < data.size(); off += 1024, ++chunk) {
        const size_t n = std::min<size_t>(1024, data.size() - off);
        if (rounds_)
            cipher.CodeEntryChunk(reinterpret_cast<uint8_t*>(data.data() + off), n, index,
                                  static_cast<uint32_t>(chunk));
    }
    out += data;
    if (!e.compressed) {
        PutLe32(out, 0);
        PutLe32(out, e.attributes);
        PutLe64(out, e.creation);
        PutLe64(out, e.lastAccess);
        PutLe64(out, e.lastWrite);
    }
    return out;
}

std::string PackBuilder::Bytes() const {
    std::string out = Header();
    for (uint32_t i = 0; i < entries_.size(); ++i) out += EntryBytes(i);
    return out;
}

bool PackBuilder::WriteTo(const std::string& path) const {
    const std::string bytes = Bytes();
    fs::File f = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::None);
    return f.IsOpen() && f.Write(bytes.data(), bytes.size()) && f.Close();
}

}  // namespace kb::testing
