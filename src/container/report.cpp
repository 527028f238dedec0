#include "container/internal/report.h"

#include <cstdio>
#include <vector>

namespace container {

void report(CMSessionRecord* session, CMContainerRecord* container, CMErrorNbr number,
            std::initializer_list<std::string_view> args) {
    if (session == nullptr || session->reportError == nullptr) return;
    ++session->reportCount;
    std::vector<std::string> owned(args.begin(), args.end());
    std::vector<const char*> argv;
    argv.reserve(owned.size());
    for (const std::string& text : owned)
        argv.push_back(text.c_str());
    session->reportError(container, session->refCon, number, static_cast<int>(argv.size()),
                         argv.data());
}

void report(CMContainerRecord* container, CMErrorNbr number,
            std::initializer_list<std::string_view> args) {
    report(container->session, container, number, args);
}

void fail(CMContainerRecord* container, CMErrorNbr number,
          std::initializer_list<std::string_view> args) {
    report(container, number, args);
    throw Abandon{};
}

std::string nameOf(const CMContainerRecord* container) {
    if (container == nullptr) return std::string();
    if (container->ops.containerName != nullptr && container->refCon != nullptr) {
        const char* name = container->ops.containerName(container->refCon);
        if (name != nullptr) return name;
    }
    return container->typeName;
}

std::string decimal(uint64_t number) {
    return std::to_string(number);
}

std::string hexadecimal(uint64_t number) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(number));
    return text;
}

bool validSession(const CMSessionRecord* session) {
    return session != nullptr && session->tag == kSessionTag;
}
bool validContainer(const CMContainerRecord* container) {
    return container != nullptr && container->tag == kContainerTag;
}
bool validObject(const CMObjectRecord* object) {
    return object != nullptr && object->tag == kObjectTag;
}
bool validValue(const CMValueRecord* value) {
    return value != nullptr && value->tag == kValueTag;
}

void* allocate(CMContainerRecord* container, size_t size) {
    CMSessionRecord* session = container->session;
    return session->allocMemory(container, session->refCon, size);
}

void release(CMContainerRecord* container, void* block) {
    CMSessionRecord* session = container->session;
    session->freeMemory(container, session->refCon, block);
}

} // namespace container
