// Writing operations of an archive: an empty archive with a fixed number of
// slots, appending one file into the next free slot, removal by rebuilding
// the archive without the removed entries, and the scrambled copy of a plain
// archive. Like the readers (archive/reader.h) each routine pushes its
// trace name and none resets the error context. Paths are in Windows syntax.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace ark {

// The largest slot count whose table still ends within 32-bit offsets:
// 4 + 40 * N <= 2^31 - 1.
constexpr int32_t kMaxSlotCount = 53687091;
// The largest file position an archive may reach (offsets are int32).
constexpr uint64_t kMaxArchiveEnd = 0x7FFFFFFF;

// Writes an empty archive of slotCount zeroed slots, replacing any file of that
// path (trace "_CreateNew"). 0; -10 slotCount outside 0 ... kMaxSlotCount
// (nothing written) or the file cannot be created; -100 a write failed.
int CreateArchive(const std::string& archive, int slotCount);

// Appends sourceFile under storedName into the first free slot (trace "_Add").
// 0; the count's codes; -30 no free slot; -70 a scrambled archive; -22 a name
// the readers would refuse (empty, 4,096 bytes or more, leaving a folder);
// -10 the archive cannot be opened; -32 the source's information cannot be
// read, or it is 4 GiB or more, or the archive would pass 2^31 - 1 bytes;
// -31 the source cannot be opened; -100 a file call failed. Every refusal
// comes before anything is written; after a failed write the slot record
// and the file's length are put back as far as the file allows.
int AddEntry(const std::string& archive, const std::string& sourceFile, const char* storedName);

// Removal (traces "_RemoveByIndex", "_RemoveByName"): the archive rebuilt
// without entry index, or without every entry whose name equals name by the
// locale comparison. The rebuild extracts into a private folder of the temp
// folder, appends into "tmp.ach" there, and replaces the archive only by a
// complete, checked copy. 0; -20 bad index; the count's codes; -61 no temp
// folder; or the code of the first failing step, the archive then unchanged.
int RemoveEntryByIndex(const std::string& archive, int index);
int RemoveEntriesByName(const std::string& archive, const char* name);

// The scrambled copy of a plain archive (trace "_EncryptAchFile"), written
// beside scrambledArchive and put in its place only when complete. 0; -10 the
// source is missing or both paths name one file; -70 the source is scrambled;
// -71 a body chunk could not be enciphered; -22 a name holding the byte 0xFF
// (it would end the scrambled name); -101 no memory for the slot table; -100
// a file call failed or the source's layout does not hold. On failure
// scrambledArchive is as it was; the source is never changed.
int ScrambleArchive(const std::string& plainArchive, const std::string& scrambledArchive);

// Steps of the removal rebuild, for failure injection in tests.
enum class RebuildStep {
    PrivateFolder,    // the private folder in the temp folder
    CreateTemporary,  // the empty temporary archive
    ReadName,         // the name of one entry
    Extract,          // one entry extracted into the private folder
    Append,           // that file added to the temporary archive
    DeleteExtracted,  // that file deleted again
    CopyBeside,       // the temporary archive copied beside the archive
    Verify,           // that copy checked
    Replace,          // the copy put in place of the archive
};
// When set, a step for which fault(step, entry) is true fails as its file
// call would (-100, logged); entry is the entry index or -1. Returns the
// previous hook.
using RebuildFault = std::function<bool(RebuildStep step, int entry)>;
RebuildFault SetRebuildFaultForTesting(RebuildFault fault);

}  // namespace ark
