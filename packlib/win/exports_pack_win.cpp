// The exported packing, buffer, split and path functions of Kabbit.dll: each
// forwards to the one controller's job objects and lets no C++ exception out.
#include <new>

#include "packlib/convert_path.h"
#include "packlib/win/export_guard.h"
#include "packlib/kabbit_app.h"
#include "packlib/win/kabbit_pack.h"
#include "packlib/split_parts.h"
#include "shared/pack_errors.h"

namespace {

kb::pack::CPackJobs& PackJobs() { return kb::pack::TheApp().Packing(); }

kb::pack::CBufferJobs& BufferJobs() { return kb::pack::TheApp().Buffers(); }

using kb::pack::Guarded;

}  // namespace

extern "C" {

int WINAPI Pack(const char* packPath, const char* sourceFolder, const char* entryName, const char* password,
                BOOL compress) {
    return Guarded([&] { return PackJobs().Pack(packPath, sourceFolder, entryName, password, compress != FALSE); });
}

int WINAPI PackPartFolder(const char* packPath, const char* folder, const char* excluded, int count,
                          const char* password, BOOL compress) {
    return Guarded([&] {
        return PackJobs().PackPartFolder(packPath, folder, excluded, count, password, compress != FALSE);
    });
}

int WINAPI PreCompress(const char* baseFolder, const char* relativeName, const char* excluded, int count,
                       BOOL waitAndDiscard) {
    return Guarded([&] {
        return PackJobs().PreCompress(baseFolder, relativeName, excluded, count, waitAndDiscard != FALSE);
    });
}

void WINAPI GetPreCompressFileName(char* buffer) {
    Guarded([&] {
        PackJobs().GetPreCompressFileName(buffer);
        return 0;
    });
}

int WINAPI ForceCompleteCompress(BOOL force) {
    return Guarded([&] { return PackJobs().ForceCompleteCompress(force != FALSE); });
}

int WINAPI GetErrorFileNames(char* buffer, int size) {
    return Guarded([&] { return PackJobs().GetErrorFileNames(buffer, size); });
}

int WINAPI EncryptBufferData(BYTE* data, int length, const char* password, int passwordLength, BOOL synchronous) {
    return Guarded([&] { return BufferJobs().Code(data, length, password, passwordLength, synchronous != FALSE); });
}

int WINAPI DecryptBufferData(BYTE* data, int length, const char* password, int passwordLength, BOOL synchronous) {
    return Guarded([&] { return BufferJobs().Code(data, length, password, passwordLength, synchronous != FALSE); });
}

int WINAPI GetCodedData(BYTE* buffer, int size) {
    return Guarded([&] { return BufferJobs().GetCodedData(buffer, size); });
}

int WINAPI SplitHugeFile(const char* path, int parts) {
    return Guarded([&] { return kb::SplitHugeFile(path, parts); });
}

int WINAPI UnSplitHugeFile(const char* partNames, int count, BOOL deleteParts, const char* destination) {
    return Guarded([&] { return kb::UnSplitHugeFile(partNames, count, deleteParts != FALSE, destination); });
}

int WINAPI ConvertFilePath(char* path) {
    return Guarded([&] { return kb::ConvertFilePath(path); });
}

}  // extern "C"
