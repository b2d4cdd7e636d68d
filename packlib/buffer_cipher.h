// The pack cipher: a password, the data key made from it, and every coding step of
// the pack library. Each step XORs key bytes (data also gets a fixed bit flip), so
// the same call encodes and decodes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kb {

// Neighbour addition, passes % 256 times over n bytes in place: each new byte i is
// old byte i plus old byte (i + 1) % n, mod 256, all from the previous pass.
void NeighbourAddition(uint8_t* bytes, size_t n, uint32_t passes);

// out (n bytes, caller's) = seed (n bytes) after passes % 256 passes of neighbour
// addition. out may equal seed.
void MakeKeystream(const uint8_t* seed, size_t n, uint32_t passes, uint8_t* out);

class CBufferCipher {
public:
    static constexpr size_t kPasswordFieldSize = 256;   // PasswordField of a pack header
    static constexpr size_t kMaxPasswordLength = 255;
    static constexpr size_t kLengthFieldSize = 4;        // NameLength, DataLength
    static constexpr size_t kMaxCodedNameLength = 256;   // longest name the name keystream covers
    static constexpr size_t kMaxChunkSize = 1024;
    static constexpr uint32_t kBufferJobPasses = 126;    // data-key passes of buffer jobs

    // Empty password, no data key.
    CBufferCipher();
    // Copies password (null counts as empty) up to its zero, at most 255 bytes.
    explicit CBufferCipher(const char* password);
    CBufferCipher(const CBufferCipher&) = delete;
    CBufferCipher& operator=(const CBufferCipher&) = delete;
    virtual ~CBufferCipher();

    // Replaces the password: copies it up to its zero, at most min(maxLength, 255)
    // bytes (null counts as empty). The data key is left as it is until BuildDataKey.
    void SetPassword(const char* password, size_t maxLength = kMaxPasswordLength);
    // The current password, zero-terminated, at most 255 bytes.
    const char* Password() const { return password_; }

    // Builds the data key from the current password: key material of the password
    // (repetitions 2048 / L, 15 columns; N = (2048 / L) * L * 15 bytes, 27,360 to
    // 30,720) after passes % 256 passes of neighbour addition. Pack entries use R,
    // buffer jobs kBufferJobPasses. Replaces any previous key. Returns false when
    // the password is empty or memory cannot be had (callers report
    // PACKERR_CREATE_KEY); the object then holds no data key. Never throws.
    bool BuildDataKey(uint32_t passes);
    bool HasDataKey() const { return !dataKey_.empty(); }
    size_t DataKeySize() const { return dataKey_.size(); }
    const uint8_t* DataKey() const { return dataKey_.data(); }

    // XORs the 256-byte block (caller's) byte by byte with HeaderKeystream(passes).
    void CodePasswordField(uint8_t* block256, uint32_t passes);

    // XORs each byte i of the zero-terminated name (length taken before coding) with
    // NameKeystream(passes) byte entryIndex % 256 + i. The coded name may hold zero
    // bytes: the caller keeps the length. Returns false, name untouched, when name is
    // null or longer than kMaxCodedNameLength bytes.
    bool EncodeEntryName(char* name, uint32_t passes, uint32_t entryIndex);

    // The same XOR over length bytes of buffer, then a zero at buffer[length]; buffer
    // holds at least length + 1 bytes. Returns false, buffer untouched, when buffer is
    // null or length is above kMaxCodedNameLength (a damaged pack: reject it first).
    bool DecodeEntryName(char* buffer, size_t length, uint32_t passes, uint32_t entryIndex);

    // Codes a stored u32 length (4 bytes, little-endian, caller's): the stored byte of
    // weight k (k = 0 least significant, the first byte) is XORed with
    // LengthKeystream(passes) byte entryIndex % 16 + 3 - k.
    void CodeLengthField(uint8_t* field4, uint32_t passes, uint32_t entryIndex);

    // Codes one data chunk of an entry: o = (entryIndex + chunkIndex) % 1024; byte i
    // is XORed with data key byte o + i and then bit i % 8 is inverted. chunkIndex
    // counts 1024-byte chunks from 0 within the entry. Returns true when coded (also
    // for length 0); false, chunk untouched, when no data key is built or length is
    // above kMaxChunkSize.
    bool CodeEntryChunk(uint8_t* chunk, size_t length, uint32_t entryIndex, uint32_t chunkIndex);

    // The same for a caller buffer of the buffer jobs, with o = chunkIndex % 1024.
    bool CodeBufferChunk(uint8_t* chunk, size_t length, uint32_t chunkIndex);

    // block256 (caller's) holds the zero-terminated password on entry; it becomes
    // the digest block of that password (byte 0 the digest length 16, bytes 1-16 its
    // MD5, the rest zero) XORed with HeaderKeystream(passes). Returns false, block
    // unchanged, when the digest cannot be made (empty password, no zero within the
    // 256 bytes, a failing MD5 provider): callers report PACKERR_CREATE_KEY.
    bool MakeDigestPasswordField(uint8_t* block256, uint32_t passes);

private:
    // A keystream computed once per pass count and kept until another is asked for.
    template <size_t N>
    struct CachedKeystream {
        uint8_t bytes[N];
        int passes = -1;
    };
    const uint8_t* HeaderKeystream(uint32_t passes);
    const uint8_t* NameKeystream(uint32_t passes);
    const uint8_t* LengthKeystream(uint32_t passes);
    bool CodeChunk(uint8_t* chunk, size_t length, uint32_t offset);

    std::vector<uint8_t> dataKey_;
    char password_[kMaxPasswordLength + 1];
    CachedKeystream<256> header_;
    CachedKeystream<512> name_;
    CachedKeystream<32> length_;
};

// The digest block of a password (before coding): block256 (caller's) = 16, the
// 16-byte MD5 of password's bytes up to its zero, then zeros. Made as the CryptoAPI
// call lays it out: the reported length byte, then the 255-byte output area.
// Returns false, block256 untouched, when the digest cannot be made.
bool MakeDigestBlock(const char* password, uint8_t* block256);

}  // namespace kb
