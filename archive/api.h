// The reading exports as portable functions: each resets the error context,
// checks its pointer arguments and keeps every exception inside. Arkstow.dll
// forwards its exports here; native tests call them directly. Results and
// arguments are those of arkstow_api.h; a null archive path gives -10, another
// null pointer that is needed -23.
#pragma once
#include "archive/arkstow_api.h"

namespace ark::api {

int GetCount(const char* archive, int* slotCount, int* maxNameLength);
int GetName(const char* archive, int index, char* buffer, int bufferSize);
int GetInfo(const char* archive, int index, TAchFileInfo* info);
int LoadByIndex(const char* archive, int index, ArkMemStream* stream);
int LoadByName(const char* archive, const char* name, ArkMemStream* stream);
int SaveByIndex(const char* archive, int index, const char* destFile);
int SaveByName(const char* archive, const char* name, const char* destFile);
int SaveAll(const char* archive, const char* destFolder);
int Find(const char* archive, const char* name);
int MemCopy(const char* archive, const char* name, void* buffer, int offset, int length);

}  // namespace ark::api
