// Reading the movie server's frame sections by the names it reports.
#include "tarsel/section_names.h"
#include "tarsel/system/frame_section.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// A section made as the server makes one, removed when the test ends.
class ServerSection {
  public:
    ServerSection(const std::string& reportedName, std::string_view bytes)
        : m_Object(*Tarsel::SectionObjectName(reportedName, 0)) {
        const int fd = shm_open(m_Object.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
        close(fd);
    }
    ~ServerSection() { shm_unlink(m_Object.c_str()); }

  private:
    std::string m_Object;
};

TEST(FrameSectionView, OpensTheSectionTheServerReportsAndRefusesOthers) {
    const std::string base = "TsFrameTest" + std::to_string(getpid());
    const std::string reported = "Session\\0\\" + base;
    const ServerSection section(reported, "ARGB pixels");

    const auto view = FrameSectionView::Open(reported);
    ASSERT_TRUE(view);
    ASSERT_EQ(view->Bytes().size(), std::strlen("ARGB pixels"));
    EXPECT_EQ(std::memcmp(view->Bytes().data(), "ARGB pixels", view->Bytes().size()), 0);

    // The same object under a local name: which session it means is the server's to know.
    EXPECT_FALSE(FrameSectionView::Open(base));
    EXPECT_FALSE(FrameSectionView::Open("Local\\" + base));
    EXPECT_FALSE(FrameSectionView::Open("Session\\0\\" + base + "Missing"));
    EXPECT_FALSE(FrameSectionView::Open("Session\\0\\../" + base));
}

} // namespace
