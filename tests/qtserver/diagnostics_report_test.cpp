// The diagnostics report: every line in order, the version line only once
// the movie library has reported a version, and the closing "Done".
#include "diagnostics_report.h"

#include "build_info.h"
#include "report_line.h"
#include "server_counters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

std::string Report() {
    char path[] = "/tmp/tarsel-report-XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    WriteDiagnosticsReport(fd, nullptr);
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(got));
    close(fd);
    unlink(path);
    return text;
}

// The labels of the report, in order, up to their values.
const std::vector<std::string> kLabels = {
    "TarselQTServer Config:\r\n",
    "\tVersion: 8.0 build 16\r\n",
    "\tDate: ",
    "\tQuickTime Mov Count: ",
    "\tQuickTime Map Count: ",
    "\r\n\r\nOS Version:\r\n",
    "\tMajor Version: ",
    "\tMinor Version: ",
    "\tBuild Number: ",
    "\tPlatform Id: ",
    "\tCSD Version: ",
    "\r\n\r\nSystem Info:\r\n",
    "\tCPU Architecture: ",
    "\tPageSize: ",
    "\tNumberOfProcessors: ",
    "\tProcessorType: ",
    "\tAllocationGranularity: ",
    "\tProcessorLevel: ",
    "\tProcessorRevision: ",
    "\tMinimumApplicationAddress: 0x",
    "\tMaximumApplicationAddress: 0x",
    "\tActiveProcessorMask: ",
    "\r\n\r\nMemory Info:\r\n",
    "\tPhysical Total: ",
    "\tPage File Total: ",
    "\tVirtual Total: ",
    "\tPageFaultCount: ",
    "\tPeakWorkingSetSize: ",
    "\tWorkingSetSize: ",
    "\tQuotaPeakPagedPoolUsage: 0\r\n",
    "\tQuotaPagedPoolUsage: 0\r\n",
    "\tQuotaPeakNonPagedPoolUsage: 0\r\n",
    "\tQuotaNonPagedPoolUsage: 0\r\n",
    "\tPagefileUsage: ",
    "\tPeakPagefileUsage: ",
    "\tGDI Objects: 0\r\n",
    "\tUser Objects: 0\r\n",
    "\tHandles: ",
    "\r\nDone\r\n",
};

class DiagnosticsReport : public ::testing::Test {
  protected:
    void TearDown() override { Counters().movieLibraryVersion.store(0); }
};

TEST_F(DiagnosticsReport, EveryLineComesInOrderAndItEndsWithABlankLineAndDone) {
    Counters().movieLibraryVersion.store(0);
    const std::string report = Report();
    size_t at = 0;
    for (const std::string& label : kLabels) {
        size_t found = report.find(label, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << label;
        at = found + label.size();
    }
    EXPECT_EQ(report.find("QuickTime Version"), std::string::npos);
    EXPECT_TRUE(report.ends_with("\r\n\r\nDone\r\n"));
    EXPECT_NE(report.find(std::string("\tDate: ") + ServerBuildDate() + "\r\n"), std::string::npos);
    // Counts are plain numbers, however many there were.
    EXPECT_NE(report.find("\tQuickTime Mov Count: " + std::to_string(Counters().movieCount.load()) +
                          "\r\n"),
              std::string::npos);
    EXPECT_NE(report.find("\tQuickTime Map Count: " +
                          std::to_string(Counters().sectionCount.load()) + "\r\n"),
              std::string::npos);
}

TEST_F(DiagnosticsReport, TheVersionLineFollowsTheDateOnceAVersionIsKnown) {
    Counters().movieLibraryVersion.store(0x07798000u);
    const std::string report = Report();
    size_t date = report.find("\tDate: ");
    size_t version = report.find("\tQuickTime Version: 7.7.9\r\n");
    size_t count = report.find("\tQuickTime Mov Count: ");
    ASSERT_NE(version, std::string::npos);
    EXPECT_LT(date, version);
    EXPECT_LT(version, count);
    Counters().movieLibraryVersion.store(0x01008000u);
    EXPECT_NE(Report().find("\tQuickTime Version: 1.0.0\r\n"), std::string::npos);
}

TEST(ReportLine, NumbersPointersAndHexFormatLikeTheirPrintfForms) {
    auto text = [](const ReportLine& line) { return std::string(line.Data(), line.Length()); };
    EXPECT_EQ(text(ReportLine().Signed(-2095).Text(" ").Signed(0)), "-2095 0");
    EXPECT_EQ(text(ReportLine().Signed(INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(text(ReportLine().Unsigned(UINT64_MAX)), "18446744073709551615");
    char expected[64];
    std::snprintf(expected, sizeof expected, "%p", reinterpret_cast<void*>(0x7ffe1234));
    EXPECT_EQ(text(ReportLine().Pointer(0x7ffe1234)), expected);
    std::snprintf(expected, sizeof expected, "%p", static_cast<void*>(nullptr));
    EXPECT_EQ(text(ReportLine().Pointer(0)), expected);
    EXPECT_EQ(text(ReportLine().Hex(0x3, 8)), "00000003");
    EXPECT_EQ(text(ReportLine().Hex(0x123456789aULL, 8)), "123456789a");
    // A line never runs past its buffer.
    ReportLine full;
    for (int i = 0; i < 100; ++i)
        full.Text("0123456789");
    EXPECT_EQ(full.Length(), ReportLine::kCapacity);
}

} // namespace
