// Toolkit failures shown through the host application.
#include <gtest/gtest.h>

#include "error_report.h"
#include "tarsel/system/application.h"

namespace {

using omfplugin::ReportError;

TEST(OMFErrorReport, ShowsCodeAndTextAsAnErrorMessage) {
    Application app;
    ReportError(nullptr, OM_ERR_NO_MORE_OBJECTS);
    const auto messages = app.LastMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Category, MSG_Error);
    EXPECT_EQ(messages[0].Text, "OMF Error: 150\nOMFI_ERR: No More Objects");
}

TEST(OMFErrorReport, InvalidFileAndSuccessAreSilent) {
    Application app;
    ReportError(nullptr, OM_ERR_INVALID_FILE);
    ReportError(nullptr, OM_ERR_NONE);
    EXPECT_TRUE(app.LastMessages().empty());
}

TEST(OMFErrorReport, WithoutApplicationNothingIsShownAndNothingBreaks) {
    ASSERT_EQ(GetApp(), nullptr);
    ReportError(nullptr, OM_ERR_NO_MORE_OBJECTS);
    Application app; // a later application has not been handed the earlier failure
    EXPECT_TRUE(app.LastMessages().empty());
}

} // namespace
