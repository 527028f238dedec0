// Stream reads and writes through the container's handler, and field conversion.
#include "container/internal/container_ops.h"

#include <algorithm>

namespace container {

CMSize streamReadAt(CMContainerRecord* container, CMSize offset, void* buffer, CMSize size) {
    if (size == 0) return 0;
    if (container->ops.seek(container->refCon, offset, kCMSeekSet) != 0) return 0;
    return container->ops.read(container->refCon, buffer, 1, size);
}

CMSize streamWriteAt(CMContainerRecord* container, CMSize offset, const void* buffer,
                     CMSize size) {
    if (size == 0) return 0;
    if (container->ops.seek(container->refCon, offset, kCMSeekSet) != 0) return 0;
    CMSize written = container->ops.write(container->refCon, buffer, 1, size);
    container->highestWritten = std::max(container->highestWritten, offset + written);
    return written;
}

CMSize streamAppend(CMContainerRecord* container, const void* buffer, CMSize size) {
    CMSize written = streamWriteAt(container, container->endOfData, buffer, size);
    container->endOfData += written;
    return written;
}

uint16_t extract16(CMContainerRecord* container, const unsigned char* bytes) {
    uint16_t number = 0;
    container->ops.extract(container->refCon, bytes, 2, &number);
    return number;
}

uint32_t extract32(CMContainerRecord* container, const unsigned char* bytes) {
    uint32_t number = 0;
    container->ops.extract(container->refCon, bytes, 4, &number);
    return number;
}

void format16(CMContainerRecord* container, unsigned char* bytes, uint16_t number) {
    container->ops.format(container->refCon, bytes, 2, &number);
}

void format32(CMContainerRecord* container, unsigned char* bytes, uint32_t number) {
    container->ops.format(container->refCon, bytes, 4, &number);
}

} // namespace container
