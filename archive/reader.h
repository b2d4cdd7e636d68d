// Reading operations of an archive: the routines behind the reading exports,
// also called by the writing, installation and runtime-module routines. Each
// pushes its trace name; none resets the error context (the exports in api.h
// do that). Paths are in Windows syntax.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/arkstow_api.h"
#include "archive/layout.h"

namespace ark {

// Count of used entries (trace "_GetCount"), or a code. slotCount and
// maxNameLength may be null; scrambled (may be null) tells the archive's form.
int CountEntries(const std::string& archive, int* slotCount, int* maxNameLength, bool* scrambled = nullptr);

// Name of entry index into buffer (bufferSize + 1 bytes), trace "_GetName".
int ReadName(const std::string& archive, int index, char* buffer, int bufferSize);

// The information block of entry index, trace "_GetInfo".
int ReadInfo(const std::string& archive, int index, TAchFileInfo& info);

// The body of entry index, trace "_LoadByIndex".
int LoadBodyByIndex(const std::string& archive, int index, std::vector<uint8_t>& body);

// The body of the first entry whose name matches (ASCII case folded), trace
// "_LoadByName": its index, -1 when none, or a code. The names of the last
// archive read this way are kept (archive/core/name_index.h), so a lookup in
// an archive that has not changed is a hash probe and a few positioned reads.
int LoadBodyByName(const std::string& archive, const std::string& name, std::vector<uint8_t>& body);

// Index of the first entry equal to name by the locale comparison, trace
// "_Find"; -1 for none, an empty or a scrambled archive.
int FindEntry(const std::string& archive, const char* name);

// Raw body bytes (trace "_MemCopy"); offset + length, or a code.
int CopyRawBytes(const std::string& archive, const char* name, void* buffer, int offset, int length);

// Extraction (traces "_SaveByIndex", "_SaveByName", "_SaveAll"). A target
// that is the archive itself is refused with -55 before anything is written.
int SaveEntryByIndex(const std::string& archive, int index, const std::string& destFile);
int SaveEntryByName(const std::string& archive, const std::string& name, const std::string& destFile);
int SaveAllEntries(const std::string& archive, const std::string& destFolder);

// Sets a file's three times, then its attributes; failures ignored.
void WriteFileInfo(const std::string& path, const TAchFileInfo& info);

// Hands a loaded body to the caller's stream: resize (-52), copy (-54), position 0.
int FillCallerStream(ArkMemStream* stream, const std::vector<uint8_t>& body);

}  // namespace ark
