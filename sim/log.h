// The simulated board's call log: the latest driver calls, at most its
// capacity of them, in a ring of 24-byte entries (sim/README.md, "Log").
#ifndef KX4410_SIM_LOG_H
#define KX4410_SIM_LOG_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kxsim {

// One logged call. Every argument the operations take is a 16- or 32-bit
// integer, and so is every result: the entry stores them as they were
// passed and returned (GetActiveBoard's result signed, every other unsigned).
struct LogEntry {
    int32_t args[4];
    uint32_t result;
    uint8_t op;
    uint8_t argCount;
};
static_assert(sizeof(LogEntry) <= 32, "a log entry is at most 32 bytes");

// The entries are stored in chunks. A chunk is allocated when the ring
// first reaches it, so no logged call moves or copies kept entries, and the
// memory follows what is kept. Older entries are overwritten and counted
// as dropped.
class CallLog {
public:
    static constexpr size_t kDefaultCapacity = 1000000;
    // About 100 GB of entries: no capacity needs a larger chunk table.
    static constexpr size_t kMaxCapacity =
        static_cast<uint64_t>(SIZE_MAX / sizeof(LogEntry)) < (uint64_t{1} << 32)
            ? SIZE_MAX / sizeof(LogEntry)
            : static_cast<size_t>((uint64_t{1} << 32) - 1);

    CallLog() : CallLog(kDefaultCapacity) {}
    explicit CallLog(size_t capacity);

    // The entry the next call is written to, in place; null for a log that
    // keeps nothing. Within a chunk that is all a call does.
    LogEntry* claim() {
        if (cursor_ == chunkEnd_) return nextChunk();
        ++total_;
        return cursor_++;
    }

    size_t size() const { return total_ < capacity_ ? static_cast<size_t>(total_) : capacity_; }
    size_t capacity() const { return capacity_; }
    uint64_t dropped() const { return droppedBefore_ + (total_ - size()); }

    // Entry index of those kept, oldest first; index < size().
    const LogEntry& at(size_t index) const;

    // The same calls in a log of another capacity: the latest that fit,
    // the others counted as dropped.
    CallLog resized(size_t capacity) const;

private:
    // 8192 entries of 24 bytes: a chunk large enough to come from its own
    // mapping, which freeing it returns.
    static constexpr size_t kChunk = 8192;

    // Moves on to the chunk of the next slot, allocating it the first time.
    LogEntry* nextChunk();

    size_t capacity_;
    std::vector<std::unique_ptr<LogEntry[]>> chunks_;
    LogEntry* cursor_ = nullptr;    // the next call's entry
    LogEntry* chunkEnd_ = nullptr;  // the end of its chunk
    uint64_t total_ = 0;            // calls logged since the log began
    uint64_t droppedBefore_ = 0;    // dropped by an earlier log of other capacity
};

// Hands the memory of freed chunks back to the system, not only to the
// allocator.
void returnFreedMemory();

}  // namespace kxsim

#endif
