#include "packlib/buffer_cipher.h"

#include <cstring>
#include <new>

#include "packlib/key_expander.h"
#include "packlib/md5_hash.h"
#include "packlib/seed_tables.h"

namespace kb {

void NeighbourAddition(uint8_t* bytes, size_t n, uint32_t passes) {
    if (n == 0)
        return;
    // Byte-wise sums of eight lanes at once: the low seven bits of each lane add
    // without reaching the next lane, the top bit is added apart from them.
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr uint64_t kTop = 0x8080808080808080ull;
    for (uint32_t pass = 0; pass < passes % 256; ++pass) {
        // Walking upwards, byte i + 1 is still old when byte i is summed; only the
        // old byte 0, needed by the last byte, must be kept aside. Bytes i + 1 to
        // i + 8 are all still old when bytes i to i + 7 are written.
        const uint8_t first = bytes[0];
        size_t i = 0;
        for (; i + 9 <= n; i += 8) {
            uint64_t a, b;
            std::memcpy(&a, bytes + i, 8);
            std::memcpy(&b, bytes + i + 1, 8);
            const uint64_t sum = ((a & kLow7) + (b & kLow7)) ^ ((a ^ b) & kTop);
            std::memcpy(bytes + i, &sum, 8);
        }
        for (; i + 1 < n; ++i)
            bytes[i] = static_cast<uint8_t>(bytes[i] + bytes[i + 1]);
        bytes[n - 1] = static_cast<uint8_t>(bytes[n - 1] + first);
    }
}

void MakeKeystream(const uint8_t* seed, size_t n, uint32_t passes, uint8_t* out) {
    if (out != seed)
        std::memmove(out, seed, n);
    NeighbourAddition(out, n, passes);
}

CBufferCipher::CBufferCipher() { password_[0] = '\0'; }

CBufferCipher::CBufferCipher(const char* password) : CBufferCipher() { SetPassword(password); }

CBufferCipher::~CBufferCipher() = default;

void CBufferCipher::SetPassword(const char* password, size_t maxLength) {
    const size_t limit = maxLength < kMaxPasswordLength ? maxLength : kMaxPasswordLength;
    const size_t length = password != nullptr ? strnlen(password, limit) : 0;
    std::memcpy(password_, password != nullptr ? password : "", length);
    password_[length] = '\0';
}

bool CBufferCipher::BuildDataKey(uint32_t passes) {
    // A failed build leaves no key at all, never a stale or freed one.
    std::vector<uint8_t>().swap(dataKey_);
    const size_t length = std::strlen(password_);
    if (length == 0)
        return false;
    std::vector<uint8_t> material;
    CKeyExpander expander;
    if (!expander.ExpandKeyMaterial(password_, CKeyExpander::DataKeyRepetitions(length),
                                    CKeyExpander::kDataKeyColumns, material) ||
        material.empty())
        return false;
    NeighbourAddition(material.data(), material.size(), passes);
    dataKey_ = std::move(material);
    return true;
}

const uint8_t* CBufferCipher::HeaderKeystream(uint32_t passes) {
    const int wanted = static_cast<int>(passes % 256);
    if (header_.passes != wanted) {
        MakeKeystream(kHeaderSeed, kHeaderSeedSize, passes, header_.bytes);
        header_.passes = wanted;
    }
    return header_.bytes;
}

const uint8_t* CBufferCipher::NameKeystream(uint32_t passes) {
    const int wanted = static_cast<int>(passes % 256);
    if (name_.passes != wanted) {
        MakeKeystream(kNameSeed, kNameSeedSize, passes, name_.bytes);
        name_.passes = wanted;
    }
    return name_.bytes;
}

const uint8_t* CBufferCipher::LengthKeystream(uint32_t passes) {
    const int wanted = static_cast<int>(passes % 256);
    if (length_.passes != wanted) {
        MakeKeystream(kLengthSeed, kLengthSeedSize, passes, length_.bytes);
        length_.passes = wanted;
    }
    return length_.bytes;
}

void CBufferCipher::CodePasswordField(uint8_t* block256, uint32_t passes) {
    const uint8_t* keystream = HeaderKeystream(passes);
    for (size_t i = 0; i < kPasswordFieldSize; ++i)
        block256[i] ^= keystream[i];
}

bool CBufferCipher::EncodeEntryName(char* name, uint32_t passes, uint32_t entryIndex) {
    if (name == nullptr)
        return false;
    const size_t length = strnlen(name, kMaxCodedNameLength + 1);
    if (length > kMaxCodedNameLength)
        return false;
    // Coding the length, not the terminator: the coded bytes may contain zeros.
    return DecodeEntryName(name, length, passes, entryIndex);
}

bool CBufferCipher::DecodeEntryName(char* buffer, size_t length, uint32_t passes, uint32_t entryIndex) {
    // entryIndex % 256 + length stays within the 512 keystream bytes.
    static_assert(255 + kMaxCodedNameLength <= kNameSeedSize);
    if (buffer == nullptr || length > kMaxCodedNameLength)
        return false;
    const uint8_t* keystream = NameKeystream(passes) + entryIndex % 256;
    for (size_t i = 0; i < length; ++i)
        buffer[i] = static_cast<char>(static_cast<uint8_t>(buffer[i]) ^ keystream[i]);
    buffer[length] = '\0';
    return true;
}

void CBufferCipher::CodeLengthField(uint8_t* field4, uint32_t passes, uint32_t entryIndex) {
    const uint8_t* keystream = LengthKeystream(passes) + entryIndex % 16;
    // The keystream runs from the most significant byte: stored byte k takes byte 3 - k.
    for (size_t k = 0; k < kLengthFieldSize; ++k)
        field4[k] ^= keystream[kLengthFieldSize - 1 - k];
}

bool CBufferCipher::CodeChunk(uint8_t* chunk, size_t length, uint32_t offset) {
    if (length == 0)
        return true;
    if (chunk == nullptr || length > kMaxChunkSize || dataKey_.size() < offset + length)
        return false;
    const uint8_t* key = dataKey_.data() + offset;
    // Every chunk of the data passes here: eight bytes at a time, each group of
    // eight taking the same bit flips (byte i flips bit i % 8).
    static constexpr uint8_t kFlipBytes[8] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};
    uint64_t flips;
    std::memcpy(&flips, kFlipBytes, sizeof flips);
    size_t i = 0;
    // Four words a step, all loaded before any is stored: the compiler may
    // then take them as two or four at once.
    for (; i + 32 <= length; i += 32) {
        uint64_t data[4], k[4];
        std::memcpy(data, chunk + i, 32);
        std::memcpy(k, key + i, 32);
        for (int w = 0; w < 4; ++w) data[w] ^= k[w] ^ flips;
        std::memcpy(chunk + i, data, 32);
    }
    for (; i + 8 <= length; i += 8) {
        uint64_t data, k;
        std::memcpy(&data, chunk + i, 8);
        std::memcpy(&k, key + i, 8);
        data ^= k ^ flips;
        std::memcpy(chunk + i, &data, 8);
    }
    for (; i < length; ++i)
        chunk[i] = static_cast<uint8_t>((chunk[i] ^ key[i]) ^ (1u << (i % 8)));
    return true;
}

bool CBufferCipher::CodeEntryChunk(uint8_t* chunk, size_t length, uint32_t entryIndex, uint32_t chunkIndex) {
    const uint32_t offset = static_cast<uint32_t>((uint64_t{entryIndex} + chunkIndex) % 1024);
    return CodeChunk(chunk, length, offset);
}

bool CBufferCipher::CodeBufferChunk(uint8_t* chunk, size_t length, uint32_t chunkIndex) {
    return CodeChunk(chunk, length, chunkIndex % 1024);
}

bool CBufferCipher::MakeDigestPasswordField(uint8_t* block256, uint32_t passes) {
    if (block256 == nullptr)
        return false;
    // The password must end within the field; an unterminated field makes no digest.
    const void* end = std::memchr(block256, 0, kPasswordFieldSize);
    if (end == nullptr)
        return false;
    char password[kPasswordFieldSize];
    std::memcpy(password, block256, kPasswordFieldSize);
    uint8_t block[kPasswordFieldSize];
    if (!MakeDigestBlock(password, block))
        return false;
    CodePasswordField(block, passes);
    std::memcpy(block256, block, kPasswordFieldSize);
    return true;
}

bool MakeDigestBlock(const char* password, uint8_t* block256) {
    constexpr uint32_t kOutputArea = 255;
    uint8_t area[kOutputArea];
    uint32_t length = kOutputArea;
    CMd5Hash hash;
    if (block256 == nullptr || !hash.ComputeHash(kCalgMd5, password, area, length))
        return false;
    block256[0] = static_cast<uint8_t>(length);
    std::memcpy(block256 + 1, area, kOutputArea);
    return true;
}

}  // namespace kb
