// Operating-system helpers of the host.
#pragma once

#include <cstdint>

namespace Tarsel::Platform {

// An event object: signalled by SetEvent, waited on by WaitEvent.
struct EventRecord;
using EventHandle = EventRecord*;

// Creates an event. With `manualReset` false the event resets when a wait
// succeeds (each SetEvent releases one waiter); with true it stays set until
// ResetEvent. `initialState` starts it signalled.
EventHandle NewEvent(bool manualReset, bool initialState);
void SetEvent(EventHandle event);
void ResetEvent(EventHandle event);
// Waits up to `timeoutMs` (-1 = forever); answers true when signalled.
bool WaitEvent(EventHandle event, int64_t timeoutMs);
void CloseEvent(EventHandle event);

// Atomic operations on a 32-bit word. Exchange answers the old value;
// increment and decrement answer the new value.
int32_t AtomicExchange32(volatile int32_t* word, int32_t value);
int32_t AtomicIncrement32(volatile int32_t* word);
int32_t AtomicDecrement32(volatile int32_t* word);

// Sleeps for `ms` milliseconds.
void Wait(int64_t ms);
// Milliseconds since an arbitrary fixed point (monotonic).
uint64_t GetUpTime();
uint32_t GetCurrentProcessID();
// Deletes a file; answers true when it was removed.
bool RemoveFile(const char* path);

} // namespace Tarsel::Platform
