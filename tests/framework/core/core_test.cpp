// The framework's Qt-free half on its own: this binary links no window system.
#include <gtest/gtest.h>

#include "framework/afxdlgs.h"

TEST(DropHandles, QueriesOnAReleasedOrUnknownHandleAreHarmless) {
    char buffer[8] = "x";
    EXPECT_EQ(DragQueryFile(nullptr, DRAG_QUERY_COUNT, nullptr, 0), 0u);
    EXPECT_EQ(DragQueryFile(nullptr, 0, buffer, sizeof buffer), 0u);
    EXPECT_EQ(DragQueryFilePath(nullptr, 0), "");
    DragFinish(nullptr);
}

TEST(FileDialogs, ClassicFilterStringsParseIntoLabelsAndPatterns) {
    const auto filters = AfxParseFileFilter("PEM (*.pem)|*.pem|All files (*.*)|*.*||");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].label, "PEM (*.pem)");
    EXPECT_EQ(filters[0].patterns, std::vector<CString>{"*.pem"});
    EXPECT_EQ(filters[1].label, "All files (*.*)");
    EXPECT_EQ(filters[1].patterns, std::vector<CString>{"*.*"});

    const auto several = AfxParseFileFilter("Keys|*.key;*.pem|Unpaired");
    ASSERT_EQ(several.size(), 1u);
    EXPECT_EQ(several[0].patterns, (std::vector<CString>{"*.key", "*.pem"}));
    EXPECT_TRUE(AfxParseFileFilter(nullptr).empty());
    EXPECT_TRUE(AfxParseFileFilter("").empty());
}
