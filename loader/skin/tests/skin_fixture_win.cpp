#include "loader/skin/tests/skin_fixture_win.h"

#include <windows.h>

#include "archive/ach_writer.h"

namespace kb::loader::testing {

std::string SolidBmp(int width, int height, uint32_t rgb) {
    return Bmp24(width, height, [rgb](int, int) { return rgb; });
}

std::string RegionEntry(const std::vector<Rect>& rects, Rect bounds) {
    std::string block;
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) block += static_cast<char>((v >> (8 * i)) & 0xFF); };
    put32(32);  // header size
    put32(1);   // rectangles
    put32(static_cast<uint32_t>(rects.size()));
    put32(static_cast<uint32_t>(rects.size() * 16));
    for (int32_t v : {bounds.left, bounds.top, bounds.right, bounds.bottom}) put32(static_cast<uint32_t>(v));
    for (const Rect& r : rects)
        for (int32_t v : {r.left, r.top, r.right, r.bottom}) put32(static_cast<uint32_t>(v));
    std::string entry;
    const uint32_t n = static_cast<uint32_t>(block.size());
    for (int i = 0; i < 4; ++i) entry += static_cast<char>((n >> (8 * i)) & 0xFF);
    return entry + block;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    return CloseHandle(f) && ok;
}

int WriteSkinArchive(const std::string& programDir, const std::string& stageDir,
                     const std::vector<std::pair<std::string, std::string>>& entries) {
    const std::string archive = programDir + "\\skin\\Reader.arc";
    int rc = ark::CreateArchive(archive, static_cast<int>(entries.size()));
    for (const auto& [name, bytes] : entries) {
        if (rc != 0) return rc;
        const std::string staged = stageDir + "\\" + name;
        if (!WriteFileBytes(staged, bytes)) return -1;
        rc = ark::AddEntry(archive, staged, name.c_str());
    }
    return rc;
}

}  // namespace kb::loader::testing
