// Lock-free shared fields: what one thread writes and another reads at any time.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

namespace game {

// A field that several threads touch. Reads and writes are relaxed atomic accesses of the
// field's own width; use load/store with an order where publication matters (`scene`).
template <typename T>
class Shared {
  static_assert(std::atomic<T>::is_always_lock_free, "shared fields must be lock-free");

 public:
  constexpr Shared() noexcept : value_(T{}) {}
  constexpr explicit Shared(T initial) noexcept : value_(initial) {}
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;

  operator T() const noexcept { return value_.load(std::memory_order_relaxed); }
  Shared& operator=(T v) noexcept {
    value_.store(v, std::memory_order_relaxed);
    return *this;
  }
  T load(std::memory_order order) const noexcept { return value_.load(order); }
  void store(T v, std::memory_order order) noexcept { value_.store(v, order); }
  T exchange(T v) noexcept { return value_.exchange(v, std::memory_order_acq_rel); }
  // Stores desired only if the field still holds expected (acquire-release); returns whether it
  // did. For a step that must not overwrite another thread's newer value.
  bool compare_exchange(T expected, T desired) noexcept {
    return value_.compare_exchange_strong(expected, desired, std::memory_order_acq_rel,
                                          std::memory_order_acquire);
  }

 private:
  std::atomic<T> value_;
};

// A short text rewritten on the tick thread and drawn on the UI thread. A reader always gets a
// whole text as it was after one Set, never storage that is being released.
class SharedText {
 public:
  static constexpr std::size_t kCapacity = 31;

  void Set(std::string_view text) {
    std::lock_guard lock(mutex_);
    length_ = text.size() < kCapacity ? text.size() : kCapacity;
    std::memcpy(bytes_, text.data(), length_);
  }
  std::string Get() const {
    std::lock_guard lock(mutex_);
    return std::string(bytes_, length_);
  }
  // Copies the text into out (at most capacity bytes, no terminator) and returns its length.
  // Does not allocate, so the frame loop can use it every frame.
  std::size_t CopyTo(char* out, std::size_t capacity) const {
    std::lock_guard lock(mutex_);
    std::size_t n = length_ < capacity ? length_ : capacity;
    std::memcpy(out, bytes_, n);
    return n;
  }

 private:
  mutable std::mutex mutex_;
  char bytes_[kCapacity] = {};
  std::size_t length_ = 0;
};

}  // namespace game
