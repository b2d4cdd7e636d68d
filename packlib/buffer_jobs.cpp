// Buffer jobs: chunked coding of caller memory, in place or on a worker.
#include "packlib/buffer_jobs.h"

#include <cstring>
#include <new>

#include "packlib/buffer_cipher.h"
#include "shared/messages.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

constexpr size_t kChunkSize = CBufferCipher::kMaxChunkSize;
constexpr int kMinPasswordLength = 6;
constexpr int kMaxPasswordLength = 255;

size_t ChunkCount(size_t length) { return (length + kChunkSize - 1) / kChunkSize; }

// The length rule and the pointers, before anything is allocated.
int CheckArguments(const void* data, int length, const char* password, int passwordLength) {
    if (data == nullptr || password == nullptr || length == 0) return PACKERR_NULL_BUFFER;
    if (length < 0) return PACKERR_INVALID_PARAMETER;
    if (passwordLength < kMinPasswordLength) return PACKERR_PASSWORD_TOO_SHORT;
    if (passwordLength > kMaxPasswordLength) return PACKERR_PASSWORD_TOO_LONG;
    return 0;
}

// A cipher holding the password (read up to its zero, never past passwordLength)
// and its buffer-job data key; null with *error set when it cannot be made.
std::unique_ptr<CBufferCipher> MakeBufferKey(const char* password, size_t passwordLength, int* error) {
    std::unique_ptr<CBufferCipher> key(new (std::nothrow) CBufferCipher);
    if (!key) {
        *error = PACKERR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    key->SetPassword(password, passwordLength);
    if (!key->BuildDataKey(CBufferCipher::kBufferJobPasses)) {
        *error = PACKERR_CREATE_KEY;
        return nullptr;
    }
    return key;
}

}  // namespace

int CodeBufferInPlace(uint8_t* data, size_t length, const char* password, size_t passwordLength) {
    int error = 0;
    auto key = MakeBufferKey(password, passwordLength, &error);
    if (!key) return error;
    const size_t chunks = ChunkCount(length);
    for (size_t i = 0; i < chunks; ++i) {
        const size_t offset = i * kChunkSize;
        const size_t n = length - offset < kChunkSize ? length - offset : kChunkSize;
        key->CodeBufferChunk(data + offset, n, static_cast<uint32_t>(i));
    }
    return 0;
}

struct CBufferJobs::Job {
    std::unique_ptr<uint8_t[]> data;  // the caller's bytes, coded in place by the worker
    size_t length = 0;
    char password[kMaxPasswordLength + 1] = {};
};

CBufferJobs::CBufferJobs(JobState& state) : state_(state) {}

CBufferJobs::~CBufferJobs() {
    std::lock_guard<std::mutex> lock(mutex_);
    WaitForWorkerLocked();
}

void CBufferJobs::WaitForWorker() {
    std::lock_guard<std::mutex> lock(mutex_);
    WaitForWorkerLocked();
}

void CBufferJobs::WaitForWorkerLocked() {
    if (!worker_) return;
    if (!worker_->IsCurrent()) worker_->Wait(sys::kInfinite);
    worker_.reset();
}

void CBufferJobs::SetChunkHookForTesting(ChunkHook hook, void* context) {
    chunkHookContext_ = context;
    chunkHook_ = hook;
}

int CBufferJobs::Code(void* data, int length, const char* password, int passwordLength, bool synchronous) {
    if (const int rc = CheckArguments(data, length, password, passwordLength); rc != 0) return rc;
    const auto size = static_cast<size_t>(length);
    if (synchronous) return CodeBufferInPlace(static_cast<uint8_t*>(data), size, password, passwordLength);

    std::lock_guard<std::mutex> lock(mutex_);
    // One buffer worker at a time: the next job's data replace the unfetched ones.
    WaitForWorkerLocked();
    coded_.reset();
    codedLength_ = 0;

    std::unique_ptr<Job> job(new (std::nothrow) Job);
    if (job) job->data.reset(new (std::nothrow) uint8_t[size]);
    if (!job || !job->data) return PACKERR_NOT_ENOUGH_MEMORY;
    std::memcpy(job->data.get(), data, size);
    job->length = size;
    const size_t n = strnlen(password, static_cast<size_t>(passwordLength));
    std::memcpy(job->password, password, n);
    job_ = std::move(job);

    // Lets the caller see an early failure (no memory, no key) at once.
    const int rc = state_.StartSideWorker(&worker_, &CBufferJobs::WorkerMain, this);
    if (!worker_) job_.reset();
    return rc;
}

void CBufferJobs::WorkerMain(void* self) {
    auto* jobs = static_cast<CBufferJobs*>(self);
    try {
        jobs->RunWorker();
    } catch (...) {
        jobs->job_.reset();
        jobs->state_.SetLastError(PACKERR_NOT_ENOUGH_MEMORY);
    }
}

void CBufferJobs::RunWorker() {
    // The job block belongs to this worker until it ends; the caller's thread
    // touches it and the coded data only after waiting for the worker.
    Job& job = *job_;
    int error = 0;
    auto key = MakeBufferKey(job.password, sizeof job.password - 1, &error);
    if (!key) {
        job_.reset();
        state_.SetLastError(error);
        return;
    }
    const size_t chunks = ChunkCount(job.length);
    bool stopped = false;
    for (size_t i = 0; i < chunks; ++i) {
        if (state_.StopRequested()) {
            stopped = true;
            break;
        }
        const size_t offset = i * kChunkSize;
        const size_t n = job.length - offset < kChunkSize ? job.length - offset : kChunkSize;
        key->CodeBufferChunk(job.data.get() + offset, n, static_cast<uint32_t>(i));
        state_.SetProgress(static_cast<int>((i + 1) * 100 / chunks));
        if (ChunkHook hook = chunkHook_.load()) hook(chunkHookContext_.load(), static_cast<uint32_t>(i));
    }
    if (stopped) {
        // Half-coded data would pass for a result: a stopped job leaves none.
        job_.reset();
        state_.PostStopped(WM_PACK_STOPPED);
        return;
    }
    coded_ = std::move(job.data);
    codedLength_ = job.length;
    job_.reset();
    state_.SetLastError(0);
    state_.SetProgress(PACKPROGRESS_DONE);
}

int CBufferJobs::GetCodedData(void* output, int outputLength) {
    if (output == nullptr || outputLength <= 0) return PACKERR_NULL_BUFFER;
    std::lock_guard<std::mutex> lock(mutex_);
    WaitForWorkerLocked();
    if (!coded_) return PACKERR_NULL_BUFFER;
    if (static_cast<size_t>(outputLength) < codedLength_) return PACKERR_NOT_ENOUGH_MEMORY;
    std::memcpy(output, coded_.get(), codedLength_);
    coded_.reset();
    codedLength_ = 0;
    return 0;
}

}  // namespace kb::pack
