// Error reporting and small shared helpers of the container library.
#pragma once

#include "container/cm_errors.h"
#include "container/internal/record_memory.h"
#include "container/internal/records.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace container {

// Thrown inside TOC reading and writing to abandon the open or close call
// after the error has been reported; never crosses the public API.
struct Abandon {};

// Reports `number` with its arguments through the session's error handler.
void report(CMSessionRecord* session, CMContainerRecord* container, CMErrorNbr number,
            std::initializer_list<std::string_view> args);
// Reports against a container (its session is the reporter).
void report(CMContainerRecord* container, CMErrorNbr number,
            std::initializer_list<std::string_view> args);
// Reports against a container, then throws Abandon (TOC reading and writing).
[[noreturn]] void fail(CMContainerRecord* container, CMErrorNbr number,
                       std::initializer_list<std::string_view> args);

// The name inserted as "^0": the handler's container name, else the type name.
std::string nameOf(const CMContainerRecord* container);
std::string decimal(uint64_t number);
std::string hexadecimal(uint64_t number);

// Handle checks: a record with the wrong tag is treated as no record.
bool validSession(const CMSessionRecord* session);
bool validContainer(const CMContainerRecord* container);
bool validObject(const CMObjectRecord* object);
bool validValue(const CMValueRecord* value);

// Allocation through the session's memory handlers.
void* allocate(CMContainerRecord* container, size_t size);
void release(CMContainerRecord* container, void* block);

template <typename T, typename... Arguments>
T* newRecord(CMContainerRecord* container, Arguments&&... arguments) {
    void* memory = allocateRecordMemory(container, sizeof(T));
    if (memory == nullptr) return nullptr;
    return new (memory) T(std::forward<Arguments>(arguments)...);
}

} // namespace container
