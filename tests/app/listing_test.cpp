// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include "Recorders.h"
#include "Tables.h"
#include "TestState.h"
#include "core/Listing.h"

namespace dedodiz {
using TestState = test::Parts<BufferTool, SweepState>;
namespace {

class ListingTest : public ::testing::Test {
  protected:
    void SetUp() override { NewState(s); }
    TestState s;
    test::OutputRecorder out;
    test::MessageRecorder messages;
};

TEST_F(ListingTest, OneChelatorInFull) {
    TChelatorRec& rec = s.Constants[4];
    for (int m = 1; m <= 9; ++m) s.Constants[1].MetalName[m] = "Me" + std::to_string(m);
    test::SetChelator(rec, "NTA", 9.46, 0, 0, 0, -4.5);
    test::SetMetal(rec, 2, 6.46, 0, -1.4);
    rec.Comment[2] = "twenty characters...";
    test::SetMetal(rec, 5, 0, 3.1, 2.0, 1.0);  // MHL without ML: left out
    test::SetMetal(rec, 7, -1.25, 12.5);
    out.lines = {"old text"};
    ListConstants(s, ReportPlacement::Replace, out, messages);

    const std::vector<std::string> expected = {
        "Chelator: NTA",
        " ",
        "   H1  9.460   H2  0.000   H3  0.000   H4  0.000",
        "  dH1 -4.500  dH2  0.000  dH3  0.000  dH4  0.000",
        " ",
        "Metal    ML        dML       MHL       dMHL   Comments",
        " ",
        "Me2     6.460    -1.400     0.000     0.000    twenty characters...",
        "Me7    -1.250     0.000    12.500     0.000    ",
        " ",
        " ",
        " ",
    };
    EXPECT_EQ(out.lines, expected);
    EXPECT_EQ(out.lines[7].size(), 67u);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(out.shows, 0);
}

TEST_F(ListingTest, TableInOrderAndLinesCutToEighty) {
    test::FillSampleTable(s);
    s.Constants[2].H[1] = 1e70;  // a value far wider than its field is cut to 15 characters
    ListConstants(s, ReportPlacement::Replace, out, messages);
    std::vector<std::string> names;
    for (const std::string& line : out.lines) {
        EXPECT_LE(line.size(), 80u) << line;
        if (line.rfind("Chelator: ", 0) == 0) names.push_back(line.substr(10));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"EGTA", "BAPTA", "EDTA"}));
    // EGTA takes 7 + 3 metal lines + 3 = 13 lines; BAPTA's protonation line follows its name and a blank.
    EXPECT_EQ(out.lines[13 + 2].substr(0, 21), "   H1 100000000000000");
    EXPECT_EQ(out.lines[13 + 2].substr(21, 8), "   H2  5");
}

TEST_F(ListingTest, EmptyTableGivesOneMessage) {
    out.lines = {"old text"};
    ListConstants(s, ReportPlacement::Replace, out, messages);
    EXPECT_TRUE(out.lines.empty());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0],
              (std::pair<std::string, std::string>{"NO CHELATORS NAMED IN FILE", "INFORMATION"}));

    out.lines = {"old text"};
    test::FillSampleTable(s);
    ListConstants(s, ReportPlacement::Append, out, messages);
    EXPECT_EQ(out.lines.front(), "old text");
    EXPECT_EQ(messages.messages.size(), 1u);
}

}  // namespace
}  // namespace dedodiz
