// SPDX-License-Identifier: BSD-3-Clause
#include "files/Editor.h"
#include "TestState.h"

#include <gtest/gtest.h>

#include "Recorders.h"
#include "Tables.h"

namespace dedodiz {
using TestState = test::Parts<EditorState, test::FileTestPart>;
namespace {

using Messages = std::vector<std::pair<std::string, std::string>>;

class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        test::FillSampleTable(s);
        Show();
    }
    void Show() {
        ShowChelator(s, s, f);
        ShowMetal(s, s, f);
    }
    bool Prepare(EditorControl entered) {
        EditorFieldEntered(s, entered);
        return PrepareAdjust(s, s, f, dialog, messages);
    }
    // The dialog's fields for a constant of 5 found at T0 and I0, with the given charges.
    static AdjustFields Found(const char* T0, const char* I0, const char* dH, int cv = 1, int mv = 1,
                              bool direct = false) {
        AdjustFields d;
        d.knownTemperature = T0;
        d.knownIonic = I0;
        d.constantFound = "5";
        d.enthalpyFound = dH;
        d.chelatorValence = cv;
        d.metalValence = mv;
        d.variesDirectly = direct;
        return d;
    }

    TestState s;
    EditorFields f;
    AdjustFields dialog;
    test::MessageRecorder messages;
};

TEST_F(EditorTest, FieldsShowThreeDecimalsAndStoreStopsAtTheFirstBadNumber) {
    s.Constants[1].H[1] = 9.4712;
    s.Constants[1].ML[1] = -1234.5;
    s.Constants[12].MetalName[2] = "Xx9";  // metal names are shown from record 1, whatever the chelator
    s.EditConChelator = 12;
    s.EditConMetal = 2;
    Show();
    EXPECT_EQ(f.chelatorNumber, "#12");
    EXPECT_EQ(f.metalNumber, "# 2");
    EXPECT_EQ(f.chelatorName, "=======");
    EXPECT_EQ(f.metalName, "Mg2");

    s.EditConChelator = 1;
    s.EditConMetal = 1;
    Show();
    EXPECT_EQ(f.protonLogK1, "  9.471");
    EXPECT_EQ(f.protonDH1, " -5.600");
    EXPECT_EQ(f.mlLogK, "-1234.500");  // longer than the field, never cut when shown
    ASSERT_TRUE(StoreEditorFields(s, s, f));
    EXPECT_DOUBLE_EQ(s.Constants[1].H[1], 9.471);

    f.chelatorName = "EGTA-AMlong";
    f.metalName = "Sr2x";
    f.comment = "a comment longer than twenty";
    f.protonLogK1 = "9.5";
    f.protonLogK2 = " 8.9e0";
    f.protonLogK3 = "2.7a";  // H3
    f.mlLogK = "11";
    EXPECT_FALSE(StoreEditorFields(s, s, f));
    const TChelatorRec& rec = s.Constants[1];
    EXPECT_EQ(rec.Name, "EGTA-AM");
    EXPECT_EQ(rec.MetalName[1], "Sr2");
    EXPECT_EQ(rec.Comment[1], "a comment longer tha");
    EXPECT_DOUBLE_EQ(rec.H[1], 9.5);
    EXPECT_DOUBLE_EQ(rec.H[2], 8.9);
    EXPECT_DOUBLE_EQ(rec.H[3], 2.66);  // neither it nor anything after it
    EXPECT_DOUBLE_EQ(rec.ML[1], -1234.5);

    // The buttons refuse to go on and leave the fields as the user typed them.
    for (auto* button : {&NextChelator, &NextMetal}) {
        messages.messages.clear();
        EXPECT_FALSE(button(s, s, f, messages));
        EXPECT_EQ(messages.messages, (Messages{{"BAD NUMBER FORMAT, TRY AGAIN", "ERROR"}}));
        EXPECT_EQ(s.EditConChelator, 1);
        EXPECT_EQ(s.EditConMetal, 1);
        EXPECT_EQ(f.protonLogK3, "2.7a");
    }
    f.protonLogK3 = "2.7";
    EXPECT_TRUE(EditorOK(s, s, f, messages));
    EXPECT_DOUBLE_EQ(rec.ML[1], 11.0);
}

TEST_F(EditorTest, NextStoresThenWrapsAroundTwelveChelatorsAndNineMetals) {
    f.chelatorName = "EGTA2";
    for (int i = 1; i <= 12; ++i) {
        ASSERT_TRUE(NextChelator(s, s, f, messages));
        EXPECT_EQ(s.EditConChelator, i % 12 + 1);
    }
    EXPECT_EQ(f.chelatorNumber, "# 1");
    EXPECT_EQ(f.chelatorName, "EGTA2");  // stored by the first press

    s.EditConChelator = 3;
    Show();
    f.mlLogK = "16.6";
    for (int i = 1; i <= 9; ++i) ASSERT_TRUE(NextMetal(s, s, f, messages));
    EXPECT_EQ(s.EditConMetal, 1);
    EXPECT_EQ(s.EditConChelator, 3);
    EXPECT_EQ(f.metalNumber, "# 1");
    EXPECT_EQ(f.mlLogK, " 16.600");
}

TEST_F(EditorTest, OnlyTheConstantFieldsAreMarkedForAdjusting) {
    const std::pair<EditorControl, int> cases[] = {
        {EditorControl::ProtonLogK1, 1}, {EditorControl::ProtonLogK2, 2}, {EditorControl::ProtonLogK3, 3},
        {EditorControl::ProtonLogK4, 4}, {EditorControl::MlLogK, 5},      {EditorControl::MhlLogK, 6},
        {EditorControl::ProtonDH1, 0},   {EditorControl::MhlDH, 0},       {EditorControl::ChelatorName, 0},
        {EditorControl::Comment, 0},     {EditorControl::MetalName, 0},
    };
    for (const auto& [control, expected] : cases) {
        s.EditConField = 3;
        EditorFieldEntered(s, control);
        EXPECT_EQ(s.EditConField, expected) << static_cast<int>(control);
    }
    EditorFieldEntered(s, EditorControl::MlLogK);
    ASSERT_TRUE(NextMetal(s, s, f, messages));
    EXPECT_EQ(s.EditConField, 0);  // showing another metal or chelator forgets it
}

TEST_F(EditorTest, AdjustPreselectsTheChargesAndTakesTheFieldTexts) {
    struct Case {
        int chelator;
        const char* name;   // chelator name field
        const char* metal;  // metal name field
        EditorControl entered;
        int cv, mv;
        bool direct;
    };
    s.Constants[2].H[2] = 0;  // BAPTA with one protonation step only
    const Case cases[] = {
        {1, "EGTA", "Ca2", EditorControl::ProtonLogK2, 2, 1, false},    // H2
        {1, "TRIS-H+", "Ca2", EditorControl::ProtonLogK4, 4, 1, true},  // H4 of a positive chelator
        {1, "TRIS+", "Mg2", EditorControl::MlLogK, 2, 2, false},        // ML of a chelator with an H2
        {2, "BAPTA", "Ca2", EditorControl::MlLogK, 1, 2, false},        // ML with H2 = 0: the metal's valence
        {2, "BAPTA", "Th4", EditorControl::MhlLogK, 1, 4, false},       // a digit above 3 as it stands
    };
    for (const Case& c : cases) {
        s.EditConChelator = static_cast<std::uint8_t>(c.chelator);
        Show();
        f.chelatorName = c.name;
        f.metalName = c.metal;
        ASSERT_TRUE(Prepare(c.entered)) << c.metal;
        EXPECT_EQ(dialog.chelatorValence, c.cv) << c.metal;
        EXPECT_EQ(dialog.metalValence, c.mv) << c.metal;
        EXPECT_EQ(dialog.variesDirectly, c.direct) << c.name;
        EXPECT_EQ(s.AdjChelatorValence, c.cv);
        EXPECT_EQ(s.AdjMetalValence, c.mv);
    }

    s.EditConChelator = 1;
    Show();
    f.protonLogK3 = " 2.5";
    f.protonDH3 = "1.25";
    dialog.knownTemperature = "37";
    ASSERT_TRUE(Prepare(EditorControl::ProtonLogK3));
    EXPECT_EQ(dialog.constantFound, " 2.5");
    EXPECT_EQ(dialog.adjusted, " 2.5");
    EXPECT_EQ(dialog.enthalpyFound, "1.25");
    EXPECT_EQ(dialog.knownTemperature, "20.0");
    EXPECT_EQ(dialog.knownIonic, "0.100");
    EXPECT_DOUBLE_EQ(s.AdjResult, 2.5);
    EXPECT_DOUBLE_EQ(s.AdjSaved, 2.5);
    EXPECT_DOUBLE_EQ(s.AdjDH, 1.25);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(EditorTest, AdjustRefusesWhatItCannotConvert) {
    struct Case {
        EditorControl entered;
        const char* metal;
        const char* constant;  // text of ML
        const char* enthalpy;  // text of dML
        const char* message;
        const char* caption;
    };
    const Case cases[] = {
        {EditorControl::MlDH, "Ca2", "1", "1", "Adjust is for constants only", "INFORMATION"},
        {EditorControl::ChelatorName, "Ca2", "1", "1", "Adjust is for constants only", "INFORMATION"},
        {EditorControl::MlLogK, "Ca ", "1", "1", "3rd letter of metal name is the valence and is missing",
         "ERROR"},
        {EditorControl::MlLogK, "Ca", "x", "1", "3rd letter of metal name is the valence and is missing",
         "ERROR"},
        {EditorControl::MlLogK, "Ca2", "", "1", "Attempting to use an un-real number", "ERROR"},
        {EditorControl::MlLogK, "Ca2", "1", "1 ", "Attempting to use an un-real number", "ERROR"},
    };
    for (const Case& c : cases) {
        f.metalName = c.metal;
        f.mlLogK = c.constant;
        f.mlDH = c.enthalpy;
        messages.messages.clear();
        s.AdjSaved = -99;
        EXPECT_FALSE(Prepare(c.entered)) << c.message;
        EXPECT_EQ(messages.messages, (Messages{{c.message, c.caption}}));
        EXPECT_DOUBLE_EQ(s.AdjSaved, -99);  // the dialog was not opened
    }
}

TEST_F(EditorTest, ConvertingFromTheReferenceConditionsChangesNothing) {
    for (const int cv : {1, 4})
        for (const int mv : {1, 3})
            for (const bool direct : {false, true})
                for (const char* dH : {"0", "-8.1", "25"}) {
                    AdjustFields d = Found("20.0", "0.100", dH, cv, mv, direct);
                    ASSERT_EQ(AdjustConstant(s, d, messages), AdjustOutcome::Computed);
                    EXPECT_EQ(s.AdjResult, 5.0);
                    EXPECT_EQ(d.adjusted, "  5.000");
                }
}

TEST_F(EditorTest, ChargesDirectionAndEnthalpyReachTheConversion) {
    // Found at I = 0.001 (20 C): only the ionic term moves the constant, by the product of the charges,
    // in the direction chosen.
    const auto change = [&](int cv, int mv, bool direct) {
        AdjustFields d = Found("20", "0.001", "0", cv, mv, direct);
        EXPECT_EQ(AdjustConstant(s, d, messages), AdjustOutcome::Computed);
        return s.AdjResult - 5;
    };
    const double unit = change(1, 1, false);
    EXPECT_LT(unit, 0);  // an anion and a cation bind less strongly at a higher ionic strength
    EXPECT_NEAR(change(1, 1, true), -unit, 1e-12);
    EXPECT_NEAR(change(2, 2, false), 4 * unit, 1e-12);
    EXPECT_NEAR(change(1, 5, false), 5 * unit, 1e-12);

    // A binding that gives off heat is stronger at the lower reference temperature.
    AdjustFields warm = Found("37", "0.1", "-8");
    ASSERT_EQ(AdjustConstant(s, warm, messages), AdjustOutcome::Computed);
    EXPECT_GT(s.AdjResult, 5.2);
}

TEST_F(EditorTest, AdjustConstantStoresNothingFromFieldsItCannotUse) {
    struct Case {
        AdjustFields fields;
        AdjustOutcome outcome;
        const char* message;  // nullptr: the fault guard's own text
    };
    AdjustFields badConstant = Found("25", "0.1", "-5");
    badConstant.constantFound = "7..1";
    const Case cases[] = {
        {Found("", "x", "x"), AdjustOutcome::CloseDialog, "Temperature not a real number"},
        {Found("25", "0,1", "x"), AdjustOutcome::CloseDialog, "Ionic not a real number"},
        {badConstant, AdjustOutcome::CloseDialog, "Constant not a real number"},
        {Found("25", "0.1", "-"), AdjustOutcome::CloseDialog, "dH not a real number"},
        {Found("25", "0", "-5"), AdjustOutcome::Fault, nullptr},      // the logarithm of I0
        {Found("-273", "0.1", "-5"), AdjustOutcome::Fault, nullptr},  // 1 / (T0 + 273)
    };
    for (const Case& c : cases) {
        AdjustFields d = c.fields;
        s.AdjResult = 3.25;
        messages.messages.clear();
        EXPECT_EQ(AdjustConstant(s, d, messages), c.outcome) << d.knownTemperature << " " << d.knownIonic;
        ASSERT_EQ(messages.messages.size(), 1u);
        if (c.message != nullptr) {
            EXPECT_EQ(messages.messages[0].first, c.message);
        }
        EXPECT_EQ(messages.messages[0].second, "ERROR");
        EXPECT_DOUBLE_EQ(s.AdjResult, 3.25);
        EXPECT_EQ(d.adjusted, " ");
    }
}

TEST_F(EditorTest, TheResultOrTheValueFromBeforeGoesBackIntoTheField) {
    f.mhlLogK = "5.3";
    f.mhlDH = "0";
    ASSERT_TRUE(Prepare(EditorControl::MhlLogK));
    dialog.knownIonic = "0.5";
    ASSERT_EQ(AdjustConstant(s, dialog, messages), AdjustOutcome::Computed);
    EditorFields applied = f;
    FinishAdjust(s, applied);
    EXPECT_EQ(applied.mhlLogK, AdjustedFieldText(s.AdjResult));
    EXPECT_NE(applied.mhlLogK, "  5.300");

    CancelAdjust(s);
    FinishAdjust(s, f);
    EXPECT_EQ(f.mhlLogK, "  5.300");                // the value from before, re-formatted
    EXPECT_DOUBLE_EQ(s.Constants[1].MHL[1], 5.30);  // the table waits for the next store
}

TEST(AdjustedFieldText, CutToSevenCharactersButNeverInsideTheWholePart) {
    const std::pair<double, const char*> cases[] = {
        {1234.5678, "1234.56"}, {9.47, "  9.470"},      {-1234.5678, "-1234.5"},  {-12.3456, "-12.346"},
        {123456.7, "123456."},  {1234567.4, "1234567"}, {12345678.9, "12345679"}, {-9876543.2, "-9876543"},
    };
    for (const auto& [x, text] : cases) EXPECT_EQ(AdjustedFieldText(x), text) << x;
}

}  // namespace
}  // namespace dedodiz
