// The writing exports as portable functions: each resets the error context,
// checks its pointer arguments and keeps every exception inside. Arkstow.dll
// forwards its exports here; native tests call them directly. A null archive
// path gives -10, another null pointer that is needed -23; the other results
// are those of archive/ach_writer.h.
#pragma once
#include "archive/arkstow_api.h"

namespace ark::api {

int CreateNew(const char* archive, int slotCount);
int Add(const char* archive, const char* sourceFile, const char* storedName);
int RemoveByIndex(const char* archive, int index);
int RemoveByName(const char* archive, const char* name);
int EncryptAchFile(const char* plainArchive, const char* scrambledArchive);

}  // namespace ark::api
