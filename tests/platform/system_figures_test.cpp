// System figures agree with what the system says through other routes.
#include "platform/system_figures.h"

#include <gtest/gtest.h>

#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

TEST(SystemFigures, VersionProcessorAndMemoryAreRead) {
    platform::OsVersionFigures os;
    ASSERT_TRUE(platform::ReadOsVersion(os));
    EXPECT_GE(os.major, 2u);
    EXPECT_EQ(os.platformId, platform::kPlatformIdLinux);
    EXPECT_EQ(std::strncmp(os.servicePack, "Linux ", 6), 0) << os.servicePack;

    platform::ProcessorFigures cpu;
    ASSERT_TRUE(platform::ReadProcessorFigures(cpu));
    EXPECT_EQ(cpu.pageSize, static_cast<unsigned>(sysconf(_SC_PAGESIZE)));
    EXPECT_EQ(cpu.processors, static_cast<unsigned>(sysconf(_SC_NPROCESSORS_ONLN)));
    EXPECT_NE(cpu.activeProcessorMask, 0u);
    EXPECT_LT(cpu.minimumApplicationAddress, cpu.maximumApplicationAddress);
    EXPECT_LT(reinterpret_cast<uintptr_t>(&cpu), cpu.maximumApplicationAddress);

    platform::MemoryFigures memory;
    ASSERT_TRUE(platform::ReadMemoryFigures(memory));
    EXPECT_GT(memory.physicalTotal, 0u);
    EXPECT_LE(memory.physicalAvailable, memory.physicalTotal);
    EXPECT_GE(memory.pageFileTotal, memory.physicalTotal);
    EXPECT_LT(memory.virtualAvailable, memory.virtualTotal);

    platform::ProcessMemoryFigures process;
    ASSERT_TRUE(platform::ReadProcessMemory(process));
    EXPECT_GT(process.workingSetSize, 0u);
    EXPECT_GE(process.peakWorkingSetSize, process.workingSetSize);
    EXPECT_GT(process.pageFaultCount, 0u);
    EXPECT_GT(process.pagefileUsage, 0u);
    EXPECT_EQ(platform::GraphicsObjectCount(), 0u);
    EXPECT_EQ(platform::UserObjectCount(), 0u);
}

TEST(SystemFigures, TheDescriptorCountFollowsOpenDescriptors) {
    unsigned before = 0;
    ASSERT_TRUE(platform::OpenDescriptorCount(before));
    int fds[3];
    for (int& fd : fds)
        fd = open("/dev/null", O_RDONLY);
    unsigned during = 0;
    ASSERT_TRUE(platform::OpenDescriptorCount(during));
    for (int fd : fds)
        close(fd);
    EXPECT_EQ(during, before + 3);
}

} // namespace
