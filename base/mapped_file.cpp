#include "base/mapped_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22 // Linux 5.14; older kernels answer EINVAL and fault as usual
#endif

namespace tavir {

namespace {

// The live mappings, read by the signal handler without locks.
struct GuardedRange
{
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> cut{false};
};
constexpr int kSlots = 64;
// A slot's begin is 0 while it is free and kReserved while it is being filled.
constexpr std::uintptr_t kReserved = 1;
GuardedRange guarded[kSlots];

std::uintptr_t page = 4096;
struct sigaction previousAction;

// Replaces the page that faulted with zero bytes when it is one of ours; else puts back the
// previous handler, so that the faulting access, run again, gets what it would have got.
void onBusError(int signal, siginfo_t* info, void* context)
{
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardedRange& range : guarded) {
        const std::uintptr_t begin = range.begin.load(std::memory_order_acquire);
        if (begin <= kReserved || address < begin ||
            address >= range.end.load(std::memory_order_acquire))
            continue;
        void* const at = reinterpret_cast<void*>(address & ~(page - 1));
        if (::mmap(at, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
            MAP_FAILED) {
            range.cut.store(true, std::memory_order_release);
            return;
        }
    }
    if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction != nullptr) {
        previousAction.sa_sigaction(signal, info, context);
        return;
    }
    ::sigaction(SIGBUS, &previousAction, nullptr);
}

void installGuard()
{
    static std::once_flag once;
    std::call_once(once, [] {
        page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action = {};
        action.sa_sigaction = &onBusError;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousAction);
    });
}

int claimSlot(const char* data, std::size_t size)
{
    for (int k = 0; k < kSlots; ++k) {
        GuardedRange& range = guarded[k];
        std::uintptr_t free = 0;
        if (!range.begin.compare_exchange_strong(free, kReserved, std::memory_order_acq_rel))
            continue;
        range.cut.store(false, std::memory_order_relaxed);
        range.end.store(reinterpret_cast<std::uintptr_t>(data) + size, std::memory_order_release);
        range.begin.store(reinterpret_cast<std::uintptr_t>(data), std::memory_order_release);
        return k;
    }
    return -1;
}

} // namespace

MappedFile::MappedFile(int fd, std::size_t size)
{
    if (size == 0)
        return;
    void* const pages = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (pages == MAP_FAILED)
        return;
    installGuard();
    const int slot = claimSlot(static_cast<const char*>(pages), size);
    if (slot < 0) { // unguarded mappings are never handed out
        ::munmap(pages, size);
        return;
    }
    data_ = static_cast<char*>(pages);
    size_ = size;
    slot_ = slot;
}

MappedFile::~MappedFile()
{
    unmap();
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      slot_(std::exchange(other.slot_, -1))
{
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    MappedFile old(std::move(*this));
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    slot_ = std::exchange(other.slot_, -1);
    return *this;
}

void MappedFile::unmap()
{
    if (data_ == nullptr)
        return;
    // Out of the guard first: once unmapped, the addresses may be handed to another mapping.
    guarded[slot_].begin.store(kReserved, std::memory_order_release);
    guarded[slot_].end.store(0, std::memory_order_release);
    ::munmap(data_, size_);
    guarded[slot_].begin.store(0, std::memory_order_release);
    data_ = nullptr;
    size_ = 0;
    slot_ = -1;
}

bool MappedFile::cut() const
{
    return slot_ >= 0 && guarded[slot_].cut.load(std::memory_order_acquire);
}

bool MappedFile::populate(std::size_t offset, std::size_t length)
{
    const std::size_t first = offset & ~(pageSize() - 1);
    if (::madvise(data_ + first, offset + length - first, MADV_POPULATE_READ) == 0 ||
        errno != EFAULT)
        return !cut();
    guarded[slot_].cut.store(true, std::memory_order_release);
    return false;
}

void MappedFile::release(std::size_t offset, std::size_t length)
{
    const std::size_t first = (offset + pageSize() - 1) & ~(pageSize() - 1);
    const std::size_t last = (offset + length) & ~(pageSize() - 1);
    if (first < last)
        ::madvise(data_ + first, last - first, MADV_DONTNEED);
}

std::size_t MappedFile::pageSize()
{
    static const auto size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

} // namespace tavir
