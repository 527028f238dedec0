// The diagnostics report, line by line.
#include "diagnostics_report.h"

#include "build_info.h"
#include "report_line.h"
#include "server_counters.h"

#include "platform/system_figures.h"

namespace {

void Line(int fd, const char* text) {
    ReportLine().Text(text).WriteTo(fd);
}

void Figure(int fd, const char* label, uint64_t value) {
    ReportLine().Text(label).Unsigned(value).Text("\r\n").WriteTo(fd);
}

void Pair(int fd, const char* label, uint64_t total, uint64_t available) {
    ReportLine()
        .Text(label)
        .Unsigned(total)
        .Text(", Avail: ")
        .Unsigned(available)
        .Text("\r\n")
        .WriteTo(fd);
}

void WriteConfiguration(int fd) {
    Line(fd, "TarselQTServer Config:\r\n");
    ReportLine().Text("\tVersion: 8.0 ").Text(kServerBuildText).Text("\r\n").WriteTo(fd);
    ReportLine().Text("\tDate: ").Text(ServerBuildDate()).Text("\r\n").WriteTo(fd);
    uint32_t version = Counters().movieLibraryVersion.load();
    if (version != 0) {
        ReportLine()
            .Text("\tQuickTime Version: ")
            .Signed(version >> 24 & 0xFF)
            .Text(".")
            .Signed(version >> 20 & 0xF)
            .Text(".")
            .Signed(version >> 16 & 0xF)
            .Text("\r\n")
            .WriteTo(fd);
    }
    ReportLine()
        .Text("\tQuickTime Mov Count: ")
        .Signed(Counters().movieCount.load())
        .Text("\r\n")
        .WriteTo(fd);
    ReportLine()
        .Text("\tQuickTime Map Count: ")
        .Signed(Counters().sectionCount.load())
        .Text("\r\n")
        .WriteTo(fd);
}

void WriteOsVersion(int fd) {
    platform::OsVersionFigures os;
    platform::ReadOsVersion(os);
    Line(fd, "\r\n\r\nOS Version:\r\n");
    Figure(fd, "\tMajor Version: ", os.major);
    Figure(fd, "\tMinor Version: ", os.minor);
    Figure(fd, "\tBuild Number: ", os.build);
    Figure(fd, "\tPlatform Id: ", os.platformId);
    ReportLine().Text("\tCSD Version: ").Text(os.servicePack).Text("\r\n").WriteTo(fd);
}

void WriteSystemInfo(int fd) {
    platform::ProcessorFigures cpu;
    platform::ReadProcessorFigures(cpu);
    Line(fd, "\r\n\r\nSystem Info:\r\n");
    Figure(fd, "\tCPU Architecture: ", cpu.architecture);
    Figure(fd, "\tPageSize: ", cpu.pageSize);
    Figure(fd, "\tNumberOfProcessors: ", cpu.processors);
    Figure(fd, "\tProcessorType: ", cpu.processorType);
    Figure(fd, "\tAllocationGranularity: ", cpu.allocationGranularity);
    Figure(fd, "\tProcessorLevel: ", cpu.processorLevel);
    Figure(fd, "\tProcessorRevision: ", cpu.processorRevision);
    ReportLine()
        .Text("\tMinimumApplicationAddress: ")
        .Pointer(cpu.minimumApplicationAddress)
        .Text("\r\n")
        .WriteTo(fd);
    ReportLine()
        .Text("\tMaximumApplicationAddress: ")
        .Pointer(cpu.maximumApplicationAddress)
        .Text("\r\n")
        .WriteTo(fd);
    ReportLine()
        .Text("\tActiveProcessorMask: ")
        .Hex(cpu.activeProcessorMask, 8)
        .Text("\r\n")
        .WriteTo(fd);
}

void WriteMemoryInfo(int fd) {
    platform::MemoryFigures memory;
    platform::ReadMemoryFigures(memory);
    platform::ProcessMemoryFigures process;
    platform::ReadProcessMemory(process);
    Line(fd, "\r\n\r\nMemory Info:\r\n");
    Pair(fd, "\tPhysical Total: ", memory.physicalTotal, memory.physicalAvailable);
    Pair(fd, "\tPage File Total: ", memory.pageFileTotal, memory.pageFileAvailable);
    Pair(fd, "\tVirtual Total: ", memory.virtualTotal, memory.virtualAvailable);
    Figure(fd, "\tPageFaultCount: ", process.pageFaultCount);
    Figure(fd, "\tPeakWorkingSetSize: ", process.peakWorkingSetSize);
    Figure(fd, "\tWorkingSetSize: ", process.workingSetSize);
    Figure(fd, "\tQuotaPeakPagedPoolUsage: ", process.quotaPeakPagedPoolUsage);
    Figure(fd, "\tQuotaPagedPoolUsage: ", process.quotaPagedPoolUsage);
    Figure(fd, "\tQuotaPeakNonPagedPoolUsage: ", process.quotaPeakNonPagedPoolUsage);
    Figure(fd, "\tQuotaNonPagedPoolUsage: ", process.quotaNonPagedPoolUsage);
    Figure(fd, "\tPagefileUsage: ", process.pagefileUsage);
    Figure(fd, "\tPeakPagefileUsage: ", process.peakPagefileUsage);
    Figure(fd, "\tGDI Objects: ", platform::GraphicsObjectCount());
    Figure(fd, "\tUser Objects: ", platform::UserObjectCount());
    unsigned handles = 0;
    if (platform::OpenDescriptorCount(handles)) Figure(fd, "\tHandles: ", handles);
}

} // namespace

void WriteDiagnosticsReport(int fd, const TsExceptionInfo*) {
    WriteConfiguration(fd);
    WriteOsVersion(fd);
    WriteSystemInfo(fd);
    WriteMemoryInfo(fd);
    Line(fd, "\r\nDone\r\n");
}
