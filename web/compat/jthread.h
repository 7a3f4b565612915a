// The browser build's standard library (libc++ of emscripten 3.1.6) has
// std::thread but not yet std::jthread. The show starts one per screenshot
// and joins them all before they go; this stands in with just that much of
// the real thing: started at construction, joined at destruction or
// assignment, no stop token. The browser build includes it ahead of every
// source file; where the library has its own, this is nothing.
//
// Built without -pthread (the page is), starting a thread aborts the
// program. There the work is done at once, on the caller's thread: to the
// one who joins it afterwards, that is the same as a thread that ran and
// ended, only the caller waits for it.
#pragma once
#include <version>

#if !defined(__cpp_lib_jthread)
#include <functional>
#include <thread>
#include <type_traits>
#include <utility>

namespace std {

class jthread {
 public:
  jthread() noexcept = default;
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
  template <class F, class... Args, class = enable_if_t<!is_same_v<remove_cvref_t<F>, jthread>>>
  explicit jthread(F&& f, Args&&... args) {
    std::invoke(std::forward<F>(f), std::forward<Args>(args)...);
  }
#else
  template <class F, class... Args, class = enable_if_t<!is_same_v<remove_cvref_t<F>, jthread>>>
  explicit jthread(F&& f, Args&&... args) : thread_(std::forward<F>(f), std::forward<Args>(args)...) {}
#endif
  jthread(jthread&&) noexcept = default;
  jthread& operator=(jthread&& other) noexcept {
    if (thread_.joinable()) thread_.join();
    thread_ = std::move(other.thread_);
    return *this;
  }
  ~jthread() {
    if (thread_.joinable()) thread_.join();
  }

  bool joinable() const noexcept { return thread_.joinable(); }
  void join() { thread_.join(); }
  void detach() { thread_.detach(); }
  thread::id get_id() const noexcept { return thread_.get_id(); }

 private:
  thread thread_;
};

}  // namespace std
#endif
