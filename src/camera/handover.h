// GStreamer's streaming threads take set-up from ours and hand frames and
// probe data back under locks ThreadSanitizer cannot see (GLib's own futex
// mutexes and thread pools, whose threads are parked rather than joined). A
// streaming callback takes over what was set up before the pipeline started
// and hands its own work over when it returns; whoever stops the pipeline
// takes that over once the stop returned. Nothing in other builds.
#pragma once

namespace ryk::detail {

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
inline char g_toStreaming, g_fromStreaming;
struct StreamingCallback {
  StreamingCallback() { __tsan_acquire(&g_toStreaming); }
  ~StreamingCallback() { __tsan_release(&g_fromStreaming); }
};
inline void beforeStreaming() { __tsan_release(&g_toStreaming); }
inline void afterStreaming() { __tsan_acquire(&g_fromStreaming); }
// What a message posted to the library's bus carries (a device made on the
// posting thread) is the bus thread's once it popped the message.
inline char g_toBusThread;
inline void beforePosting() { __tsan_release(&g_toBusThread); }
inline void afterPopping() { __tsan_acquire(&g_toBusThread); }
#else
struct StreamingCallback {};
inline void beforeStreaming() {}
inline void afterStreaming() {}
inline void beforePosting() {}
inline void afterPopping() {}
#endif

}  // namespace ryk::detail
