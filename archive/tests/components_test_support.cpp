#include "archive/tests/components_test_support.h"

#include "archive/layout.h"
#include "testing/kit/file_io.h"

namespace ark::testing {

bool WriteTestArchive(const std::string& path, const std::vector<TestEntry>& entries, int spare) {
    const size_t slots = entries.size() + static_cast<size_t>(spare);
    std::string bytes(kHeaderSize + kSlotSize * slots, '\0');
    WriteLe32(reinterpret_cast<uint8_t*>(bytes.data()), static_cast<uint32_t>(slots));
    for (size_t i = 0; i < entries.size(); ++i) {
        const TestEntry& e = entries[i];
        Slot s;
        s.nameOffset = static_cast<int32_t>(bytes.size());
        bytes += e.name;
        bytes += '\0';
        s.bodyOffset = static_cast<int32_t>(bytes.size());
        bytes += e.body;
        s.info.size = static_cast<uint32_t>(e.body.size());
        s.info.attributes = e.attributes;
        s.info.creationLow = s.info.lastAccessLow = s.info.lastWriteLow = static_cast<uint32_t>(e.lastWrite);
        s.info.creationHigh = s.info.lastAccessHigh = s.info.lastWriteHigh = static_cast<uint32_t>(e.lastWrite >> 32);
        uint8_t record[kSlotSize];
        FormatSlot(s, record);
        bytes.replace(SlotPosition(i), kSlotSize, reinterpret_cast<const char*>(record), kSlotSize);
    }
    return kb::testing::WriteWholeFile(path, bytes);
}

}  // namespace ark::testing
