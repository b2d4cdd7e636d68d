#include "archive/ach_api.h"

#include "archive/ach_writer.h"
#include "archive/frame.h"

namespace ark::api {

int CreateNew(const char* archive, int slotCount) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        return CreateArchive(archive, slotCount);
    });
}

int Add(const char* archive, const char* sourceFile, const char* storedName) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        if (!sourceFile || !storedName) return int(ARKSTOWRET_BAD_ARGUMENT);
        return AddEntry(archive, sourceFile, storedName);
    });
}

int RemoveByIndex(const char* archive, int index) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        return RemoveEntryByIndex(archive, index);
    });
}

int RemoveByName(const char* archive, const char* name) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        if (!name) return int(ARKSTOWRET_BAD_ARGUMENT);
        return RemoveEntriesByName(archive, name);
    });
}

int EncryptAchFile(const char* plainArchive, const char* scrambledArchive) {
    return RunExport([&] {
        if (!plainArchive) return int(ARKSTOWRET_OPEN_FAILED);
        if (!scrambledArchive) return int(ARKSTOWRET_BAD_ARGUMENT);
        return ScrambleArchive(plainArchive, scrambledArchive);
    });
}

}  // namespace ark::api
