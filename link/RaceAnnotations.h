#pragma once
// Tells ThreadSanitizer about an order it cannot see. The serial event
// thread hands its events to the window thread through Qt's posted-event
// queue, whose locking lives inside Qt (not built with the sanitizer): an
// event made by one thread and read by the other then looks like a race.
// The hand-over marks the event as published, the receiver as taken. Without
// ThreadSanitizer the macros are nothing.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#define K9_PUBLISHED(address) __tsan_release(static_cast<void*>(address))
#define K9_TAKEN(address) __tsan_acquire(static_cast<void*>(address))
#else
#define K9_PUBLISHED(address) ((void)0)
#define K9_TAKEN(address) ((void)0)
#endif
