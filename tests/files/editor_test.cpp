#include "Editor.h"

#include <gtest/gtest.h>

#include <cmath>

#include "Recorders.h"
#include "Tables.h"

namespace dedodiz {
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
        ShowChelator(s, f);
        ShowMetal(s, f);
    }
    // Prepares the adjust dialog for the field entered last.
    bool Prepare(EditorControl entered) {
        EditorFieldEntered(s, entered);
        return PrepareAdjust(s, f, dialog, messages);
    }

    State s;
    EditorFields f;
    AdjustFields dialog;
    test::MessageRecorder messages;
};

TEST_F(EditorTest, FieldsShowThreeDecimalsInSevenAndStoringRoundsToThem) {
    s.Constants[1].H[1] = 9.4712;
    s.Constants[1].ML[1] = -1234.5;
    s.Constants[2].MetalName[1] = "Xx9";  // metal names are shown from record 1 only
    s.EditConChelator = 2;
    Show();
    EXPECT_EQ(f.Label13, "# 2");
    EXPECT_EQ(f.Edit9, "BAPTA");
    EXPECT_EQ(f.Edit1, "  6.360");
    EXPECT_EQ(f.Label14, "# 1");
    EXPECT_EQ(f.MaskEdit1, "Ca2");

    s.EditConChelator = 1;
    Show();
    EXPECT_EQ(f.Edit1, "  9.471");
    EXPECT_EQ(f.Edit11, "-1234.500");  // longer than the field, never cut when shown
    EXPECT_EQ(f.Edit2, " -5.600");
    ASSERT_TRUE(StoreEditorFields(s, f));
    EXPECT_DOUBLE_EQ(s.Constants[1].H[1], 9.471);
    EXPECT_DOUBLE_EQ(s.Constants[1].ML[1], -1234.5);

    s.EditConChelator = 12;
    s.EditConMetal = 9;
    Show();
    EXPECT_EQ(f.Label13, "#12");
    EXPECT_EQ(f.Label14, "# 9");
    EXPECT_EQ(f.Edit9, "=======");
    EXPECT_EQ(f.MaskEdit1, "===");
}

TEST_F(EditorTest, StoreStopsAtTheFirstBadNumberKeepingWhatCameBefore) {
    f.Edit9 = "EGTA-AMlong";
    f.MaskEdit1 = "Sr2x";
    f.Edit15 = "a comment longer than twenty";
    f.Edit1 = "9.5";
    f.Edit3 = " 8.9e0";
    f.Edit5 = "2.7a";  // H3
    f.Edit7 = "2.1";
    f.Edit11 = "11";
    EXPECT_FALSE(StoreEditorFields(s, f));

    const TChelatorRec& rec = s.Constants[1];
    EXPECT_EQ(rec.Name, "EGTA-AM");
    EXPECT_EQ(s.Constants[1].MetalName[1], "Sr2");
    EXPECT_EQ(rec.Comment[1], "a comment longer tha");
    EXPECT_DOUBLE_EQ(rec.H[1], 9.5);
    EXPECT_DOUBLE_EQ(rec.H[2], 8.9);
    EXPECT_DOUBLE_EQ(rec.H[3], 2.66);  // not stored, nor anything after it
    EXPECT_DOUBLE_EQ(rec.H[4], 2.00);
    EXPECT_DOUBLE_EQ(rec.ML[1], 10.97);

    // The buttons refuse to go on and leave the fields as the user typed them.
    for (auto* button : {&NextChelator, &NextMetal}) {
        messages.messages.clear();
        EXPECT_FALSE(button(s, f, messages));
        EXPECT_EQ(messages.messages, (Messages{{"BAD NUMBER FORMAT, TRY AGAIN", "ERROR"}}));
        EXPECT_EQ(s.EditConChelator, 1);
        EXPECT_EQ(s.EditConMetal, 1);
        EXPECT_EQ(f.Edit5, "2.7a");
    }
    EXPECT_FALSE(EditorOK(s, f, messages));

    f.Edit5 = "2.7";
    messages.messages.clear();
    EXPECT_TRUE(EditorOK(s, f, messages));
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_DOUBLE_EQ(rec.ML[1], 11.0);
}

TEST_F(EditorTest, NextStoresThenWrapsAroundTwelveChelatorsAndNineMetals) {
    f.Edit9 = "EGTA2";
    for (int i = 1; i <= 12; ++i) {
        ASSERT_TRUE(NextChelator(s, f, messages));
        EXPECT_EQ(s.EditConChelator, i % 12 + 1);
    }
    EXPECT_EQ(f.Label13, "# 1");
    EXPECT_EQ(f.Edit9, "EGTA2");  // stored by the first press

    // The metal steps through every name while the chelator stays.
    s.EditConChelator = 3;
    Show();
    f.Edit11 = "16.6";
    std::vector<std::string> names;
    for (int i = 1; i <= 9; ++i) {
        ASSERT_TRUE(NextMetal(s, f, messages));
        names.push_back(f.MaskEdit1);
    }
    EXPECT_EQ(s.EditConMetal, 1);
    EXPECT_EQ(s.EditConChelator, 3);
    EXPECT_EQ(f.Label14, "# 1");
    EXPECT_EQ(names.front(), "Mg2");
    EXPECT_EQ(names.back(), "Ca2");
    EXPECT_EQ(f.Edit11, " 16.600");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(EditorTest, OnlyTheConstantFieldsAreMarkedForAdjusting) {
    const std::pair<EditorControl, int> cases[] = {
        {EditorControl::Edit1, 1},     {EditorControl::Edit3, 2},  {EditorControl::Edit5, 3},
        {EditorControl::Edit7, 4},     {EditorControl::Edit11, 5}, {EditorControl::Edit12, 6},
        {EditorControl::Edit2, 0},     {EditorControl::Edit8, 0},  {EditorControl::Edit13, 0},
        {EditorControl::Edit14, 0},    {EditorControl::Edit9, 0},  {EditorControl::Edit15, 0},
        {EditorControl::MaskEdit1, 0},
    };
    for (const auto& [control, expected] : cases) {
        s.EditConField = 3;
        EditorFieldEntered(s, control);
        EXPECT_EQ(s.EditConField, expected) << FieldText(f, control);
    }

    // Showing another chelator or metal forgets the field.
    EditorFieldEntered(s, EditorControl::Edit11);
    ASSERT_TRUE(NextMetal(s, f, messages));
    EXPECT_EQ(s.EditConField, 0);
    EditorFieldEntered(s, EditorControl::Edit1);
    ASSERT_TRUE(NextChelator(s, f, messages));
    EXPECT_EQ(s.EditConField, 0);
}

TEST_F(EditorTest, AdjustPreselectsTheChargesOfTheReaction) {
    struct Case {
        int chelator;
        const char* metal;  // typed into the metal name field
        EditorControl entered;
        int cv, mv;
    };
    s.Constants[2].H[2] = 0;  // BAPTA with one protonation step only
    const Case cases[] = {
        {1, "Ca2", EditorControl::Edit3, 2, 1},   // H2 of EGTA
        {1, "Ca2", EditorControl::Edit7, 4, 1},   // H4
        {1, "Mg2", EditorControl::Edit11, 2, 2},  // ML of a chelator with an H2
        {2, "Ca2", EditorControl::Edit11, 1, 2},  // ML of a chelator with H2 = 0: the metal's own valence
        {2, "La3", EditorControl::Edit12, 1, 3},
        {1, "Th4", EditorControl::Edit11, 2, 4},  // a digit above 3 is used as it stands
    };
    for (const Case& c : cases) {
        s.EditConChelator = static_cast<std::uint8_t>(c.chelator);
        Show();
        f.MaskEdit1 = c.metal;
        ASSERT_TRUE(Prepare(c.entered)) << c.metal;
        EXPECT_EQ(dialog.cv, c.cv) << c.metal;
        EXPECT_EQ(dialog.mv, c.mv) << c.metal;
        EXPECT_EQ(s.AdjChelatorValence, c.cv);
        EXPECT_EQ(s.AdjMetalValence, c.mv);
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(EditorTest, AdjustTakesTheFieldTextsAndTheDirectionFromTheName) {
    f.Edit5 = " 2.5";
    f.Edit6 = "1.25";
    dialog.Edit1 = "37";
    dialog.Edit2 = "0.15";
    ASSERT_TRUE(Prepare(EditorControl::Edit5));
    EXPECT_EQ(dialog.Edit5, " 2.5");
    EXPECT_EQ(dialog.Edit3, " 2.5");
    EXPECT_EQ(dialog.Edit6, "1.25");
    EXPECT_EQ(dialog.Edit1, "20.0");
    EXPECT_EQ(dialog.Edit2, "0.100");
    EXPECT_DOUBLE_EQ(s.AdjConstant, 2.5);
    EXPECT_DOUBLE_EQ(s.AdjResult, 2.5);
    EXPECT_DOUBLE_EQ(s.AdjSaved, 2.5);
    EXPECT_DOUBLE_EQ(s.AdjDH, 1.25);
    EXPECT_FALSE(dialog.viDirect);

    for (const auto& [name, direct] : {std::pair{"TRIS-H+", true}, {"ABCDEF+x", true}, {"TRIS+", false}}) {
        f.Edit9 = name;
        ASSERT_TRUE(Prepare(EditorControl::Edit1));
        EXPECT_EQ(dialog.viDirect, direct) << name;
        EXPECT_EQ(s.AdjDirect, direct) << name;
    }
}

TEST_F(EditorTest, AdjustRefusesWhatItCannotConvert) {
    struct Case {
        EditorControl entered;
        const char* metal;
        const char* constant;  // text of the entered field
        const char* enthalpy;  // text of its enthalpy field
        const char* message;
        const char* caption;
    };
    const Case cases[] = {
        {EditorControl::Edit2, "Ca2", "1", "1", "Adjust is for constants only", "INFORMATION"},
        {EditorControl::Edit9, "Ca2", "1", "1", "Adjust is for constants only", "INFORMATION"},
        {EditorControl::Edit11, "Ca ", "1", "1", "3rd letter of metal name is the valence and is missing",
         "ERROR"},
        {EditorControl::Edit12, "Ca", "1", "1", "3rd letter of metal name is the valence and is missing",
         "ERROR"},
        {EditorControl::Edit11, "Ca2", "", "1", "Attempting to use an un-real number", "ERROR"},
        {EditorControl::Edit11, "Ca2", "1", "1 ", "Attempting to use an un-real number", "ERROR"},
        {EditorControl::Edit3, "Ca ", "x", "1", "Attempting to use an un-real number", "ERROR"},
    };
    for (const Case& c : cases) {
        Show();
        f.MaskEdit1 = c.metal;
        EditorFieldEntered(s, c.entered);
        const int field = s.EditConField;
        if (field == 5 || field == 6) {
            (field == 5 ? f.Edit11 : f.Edit12) = c.constant;
            (field == 5 ? f.Edit13 : f.Edit14) = c.enthalpy;
        } else if (field == 2) {
            f.Edit3 = c.constant;
            f.Edit4 = c.enthalpy;
        }
        messages.messages.clear();
        s.AdjSaved = -99;
        EXPECT_FALSE(PrepareAdjust(s, f, dialog, messages)) << c.message;
        EXPECT_EQ(messages.messages, (Messages{{c.message, c.caption}}));
        EXPECT_DOUBLE_EQ(s.AdjSaved, -99);  // the dialog was not opened
    }
}

TEST_F(EditorTest, ConvertingFromTheReferenceConditionsChangesNothing) {
    for (const int cv : {1, 2, 4})
        for (const int mv : {1, 3})
            for (const bool direct : {false, true})
                for (const char* dH : {"0", "-8.1", "25"}) {
                    AdjustFields d;
                    d.Edit5 = "10.97";
                    d.Edit6 = dH;
                    d.cv = cv;
                    d.mv = mv;
                    d.viDirect = direct;
                    ASSERT_EQ(AdjustConstant(s, d, messages), AdjustOutcome::Computed);
                    EXPECT_EQ(s.AdjResult, 10.97);
                    EXPECT_EQ(d.Edit3, " 10.970");
                }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(EditorTest, ChargesAndDirectionReachTheConversion) {
    // A constant found at I = 0 (and 20 C, dH 0) is moved by the ionic term only: its size goes with
    // the product of the charges and its sign with the direction.
    const auto change = [&](int cv, int mv, bool direct) {
        AdjustFields d;
        d.Edit2 = "0.001";
        d.Edit5 = "5";
        d.Edit6 = "0";
        d.cv = cv;
        d.mv = mv;
        d.viDirect = direct;
        EXPECT_EQ(AdjustConstant(s, d, messages), AdjustOutcome::Computed);
        return s.AdjResult - 5;
    };
    const double unit = change(1, 1, false);
    EXPECT_LT(unit, 0);  // an anion and a cation bind less strongly at a higher ionic strength
    EXPECT_NEAR(change(1, 1, true), -unit, 1e-12);
    EXPECT_NEAR(change(2, 2, false), 4 * unit, 1e-12);
    EXPECT_NEAR(change(4, 1, false), 4 * unit, 1e-12);
    EXPECT_NEAR(change(1, 5, false), 5 * unit, 1e-12);

    // The enthalpy moves a constant found at another temperature: a binding that gives off heat is
    // stronger at the lower reference temperature.
    AdjustFields warm;
    warm.Edit1 = "37";
    warm.Edit2 = "0.1";
    warm.Edit5 = "5";
    warm.Edit6 = "-8";
    ASSERT_EQ(AdjustConstant(s, warm, messages), AdjustOutcome::Computed);
    EXPECT_GT(s.AdjResult, 5);
    EXPECT_EQ(warm.Edit3, EditorNumber(s.AdjResult));
}

TEST_F(EditorTest, AdjustConstantStopsAtTheFirstFieldThatIsNoNumber) {
    struct Case {
        const char* T0;
        const char* I0;
        const char* constant;
        const char* dH;
        const char* message;
    };
    const Case cases[] = {
        {"", "x", "x", "x", "Temperature not a real number"},
        {"25", "0,1", "x", "x", "Ionic not a real number"},
        {"25", "0.1", "7..1", "x", "Constant not a real number"},
        {"25", "0.1", "7.1", "-", "dH not a real number"},
    };
    for (const Case& c : cases) {
        AdjustFields d;
        d.Edit1 = c.T0;
        d.Edit2 = c.I0;
        d.Edit5 = c.constant;
        d.Edit6 = c.dH;
        s.AdjResult = 3.25;
        messages.messages.clear();
        EXPECT_EQ(AdjustConstant(s, d, messages), AdjustOutcome::CloseDialog);
        EXPECT_EQ(messages.messages, (Messages{{c.message, "ERROR"}}));
        EXPECT_DOUBLE_EQ(s.AdjResult, 3.25);
        EXPECT_EQ(d.Edit3, " ");
    }
}

TEST_F(EditorTest, AFaultInTheConversionStoresNothing) {
    for (const auto& [T0, I0] : {std::pair{"25", "0"}, {"25", "-0.1"}, {"-273", "0.1"}}) {
        AdjustFields d;
        d.Edit1 = T0;
        d.Edit2 = I0;
        d.Edit5 = "7";
        d.Edit6 = "-5";
        s.AdjResult = 3.25;
        messages.messages.clear();
        EXPECT_EQ(AdjustConstant(s, d, messages), AdjustOutcome::Fault) << T0 << " " << I0;
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0].second, "ERROR");
        EXPECT_DOUBLE_EQ(s.AdjResult, 3.25);
        EXPECT_EQ(d.Edit3, " ");
    }
}

TEST_F(EditorTest, TheResultOrTheValueFromBeforeGoesBackIntoTheField) {
    f.Edit12 = "5.3";
    f.Edit14 = "0";
    ASSERT_TRUE(Prepare(EditorControl::Edit12));
    dialog.Edit2 = "0.5";
    ASSERT_EQ(AdjustConstant(s, dialog, messages), AdjustOutcome::Computed);
    ASSERT_NE(s.AdjResult, 5.3);

    EditorFields applied = f;
    FinishAdjust(s, applied);
    EXPECT_EQ(applied.Edit12, AdjustedFieldText(s.AdjResult));
    EXPECT_EQ(applied.Edit11, f.Edit11);  // no other field changes

    CancelAdjust(s);
    FinishAdjust(s, f);
    EXPECT_EQ(f.Edit12, "  5.300");                 // the value from before, re-formatted
    EXPECT_DOUBLE_EQ(s.Constants[1].MHL[1], 5.30);  // the table waits for the next store

    // A field that is no constant receives nothing.
    EditorFieldEntered(s, EditorControl::Edit15);
    const EditorFields before = f;
    FinishAdjust(s, f);
    EXPECT_EQ(f.Edit15, before.Edit15);
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
