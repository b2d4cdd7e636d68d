#include "archive/api.h"

#include <string>
#include <vector>

#include "archive/frame.h"
#include "archive/reader.h"

namespace ark::api {

int GetCount(const char* archive, int* slotCount, int* maxNameLength) {
    return RunExport([&] {
        if (!archive) {
            if (slotCount) *slotCount = 0;
            if (maxNameLength) *maxNameLength = 0;
            return int(ARKSTOWRET_OPEN_FAILED);
        }
        return CountEntries(archive, slotCount, maxNameLength);
    });
}

int GetName(const char* archive, int index, char* buffer, int bufferSize) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        return ReadName(archive, index, buffer, bufferSize);
    });
}

int GetInfo(const char* archive, int index, TAchFileInfo* info) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        if (!info) return int(ARKSTOWRET_BAD_ARGUMENT);
        return ReadInfo(archive, index, *info);
    });
}

int LoadByIndex(const char* archive, int index, ArkMemStream* stream) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        if (!stream) return int(ARKSTOWRET_BAD_ARGUMENT);
        std::vector<uint8_t> body;
        if (int r = LoadBodyByIndex(archive, index, body)) return r;
        return FillCallerStream(stream, body);
    });
}

int LoadByName(const char* archive, const char* name, ArkMemStream* stream) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        if (!name || !stream) return int(ARKSTOWRET_BAD_ARGUMENT);
        std::vector<uint8_t> body;
        const int index = LoadBodyByName(archive, name, body);
        if (index < 0) return index;
        if (int r = FillCallerStream(stream, body)) return r;
        return index;
    });
}

int SaveByIndex(const char* archive, int index, const char* destFile) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        if (!destFile) return int(ARKSTOWRET_BAD_ARGUMENT);
        return SaveEntryByIndex(archive, index, destFile);
    });
}

int SaveByName(const char* archive, const char* name, const char* destFile) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        if (!name || !destFile) return int(ARKSTOWRET_BAD_ARGUMENT);
        return SaveEntryByName(archive, name, destFile);
    });
}

int SaveAll(const char* archive, const char* destFolder) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        if (!destFolder) return int(ARKSTOWRET_BAD_ARGUMENT);
        return SaveAllEntries(archive, destFolder);
    });
}

int Find(const char* archive, const char* name) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        if (!name) return int(ARKSTOWRET_BAD_ARGUMENT);
        return FindEntry(archive, name);
    });
}

int MemCopy(const char* archive, const char* name, void* buffer, int offset, int length) {
    return RunExport([&] {
        if (!archive) return int(ARKSTOWRET_OPEN_FAILED);
        if (!name) return int(ARKSTOWRET_BAD_ARGUMENT);
        return CopyRawBytes(archive, name, buffer, offset, length);
    });
}

}  // namespace ark::api
