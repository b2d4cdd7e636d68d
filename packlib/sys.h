// What the pack library's frame needs from the system: worker threads, sleeping,
// the clock, the global atom table and posting a window message. The controller
// talks to one Sys object, so tests can replace any of these.
#pragma once
#include <cstdint>
#include <memory>

namespace kb::sys {

// A started worker thread. Waiting for it and closing it belong to its owner.
class Thread {
public:
    // Releases the handle; a thread still running goes on alone.
    virtual ~Thread() = default;
    // Waits up to timeoutMs milliseconds (kInfinite: no limit); true when it has ended.
    virtual bool Wait(uint32_t timeoutMs) = 0;
    // True when called on this thread itself (it must never wait for itself).
    virtual bool IsCurrent() const = 0;
};

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

using ThreadBody = void (*)(void* arg);

class Sys {
public:
    virtual ~Sys() = default;

    // Starts body(arg) on a new thread; null when no thread could be created. On
    // Windows the thread holds a reference to the library while it runs, so the
    // library is never unmapped under it.
    virtual std::unique_ptr<Thread> StartThread(ThreadBody body, void* arg);

    virtual void Sleep(uint32_t milliseconds);

    // Seconds since 1970-01-01 UTC.
    virtual int64_t NowSeconds();

    // The system-wide global atom table (natively an in-process table).
    virtual bool GlobalAtomExists(const char* name);
    virtual void AddGlobalAtom(const char* name);
    // Deletes one reference of the atom; nothing when it does not exist.
    virtual void DeleteGlobalAtom(const char* name);

    // Posts message (both parameters 0) to window; nothing for a null window.
    virtual void PostWindowMessage(uintptr_t window, uint32_t message);
};

// The platform's implementation, shared by the whole process.
Sys& SystemServices();

}  // namespace kb::sys
