#include "log.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kxsim {

CallLog::CallLog(size_t capacity)
    : capacity_(capacity < kMaxCapacity ? capacity : kMaxCapacity),
      chunks_((capacity_ + kChunk - 1) / kChunk) {}

const LogEntry& CallLog::at(size_t index) const {
    size_t slot = (total_ < capacity_ ? 0 : static_cast<size_t>(total_ % capacity_)) + index;
    if (slot >= capacity_) slot -= capacity_;
    return chunks_[slot / kChunk][slot % kChunk];
}

CallLog CallLog::resized(size_t capacity) const {
    CallLog log(capacity);
    const size_t kept = size() < log.capacity_ ? size() : log.capacity_;
    for (size_t i = size() - kept; i < size(); ++i) *log.claim() = at(i);
    log.droppedBefore_ = dropped() + (size() - kept);
    return log;
}

LogEntry* CallLog::nextChunk() {
    ++total_;
    if (capacity_ == 0) return nullptr;
    const size_t slot = static_cast<size_t>((total_ - 1) % capacity_);
    const size_t c = slot / kChunk;
    const size_t length = capacity_ - c * kChunk < kChunk ? capacity_ - c * kChunk : kChunk;
    if (!chunks_[c]) chunks_[c].reset(new LogEntry[length]);
    cursor_ = chunks_[c].get() + slot % kChunk;
    chunkEnd_ = chunks_[c].get() + length;
    return cursor_++;
}

void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace kxsim
