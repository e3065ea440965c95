// SPDX-License-Identifier: BSD-3-Clause
// The conformance cases of single solutions played on the live calculator as a user plays them: the
// bundled table opened, the type clicked, every field typed, every name chosen; what the window then
// shows (results or greyed with a reason, the notes, the report "to Output" writes) must be what the
// case expects, as for every other face.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <cstdio>

#include "Case.h"
#include "GuiFixture.h"
#include "Library.h"
#include "ModalScript.h"
#include "gui/Foutput.h"
#include "gui/Live.h"
#include "gui/LiveForm.h"
#include "gui/LiveResults.h"

namespace dedodiz::conformance {
namespace {

const std::string kCases = std::string(DEDODIZ_SOURCE_DIR) + "/tests/conformance/cases";

QString Text(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return QString::fromLatin1(text);
}

void Type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

// Picks a name (or a unit) as the user does; false when the box does not offer it.
bool Choose(QComboBox* box, const std::string& text) {
    const int index = box->findText(QString::fromStdString(text));
    if (index < 0) return false;
    box->setCurrentIndex(index);
    emit box->activated(index);
    return true;
}

void TypeAmount(QLineEdit* field, QComboBox* unit, const Amount& amount) {
    Choose(unit, amount.unit == ConcUnit::pX ? "pX" : "M");
    Type(field, Text(amount.value));
}

// The form filled with the case's solution, in the order a user fills it.
void Fill(LiveForm& form, const SolutionInput& entered) {
    (entered.type == CalculationType::Total      ? form.TypeTotal
     : entered.type == CalculationType::Chelator ? form.TypeChelator
                                                 : form.TypeFree)
        ->click();
    Type(form.Temperature, Text(entered.temperature));
    Type(form.PH, Text(entered.pH));
    Type(form.Ionic, Text(entered.ionic));
    for (std::size_t i = 0; i < form.Chelators.size(); ++i) {
        LiveForm::ChelatorRow& row = form.Chelators[i];
        if (i >= entered.chelators.size()) {
            Choose(row.name, "\u2014");
            continue;
        }
        ASSERT_TRUE(Choose(row.name, entered.chelators[i].name)) << entered.chelators[i].name;
        if (entered.type != CalculationType::Chelator)
            TypeAmount(row.total, row.totalUnit, entered.chelators[i].total);
    }
    for (std::size_t i = 0; i < form.Metals.size(); ++i) {
        LiveForm::MetalRow& row = form.Metals[i];
        if (i >= entered.metals.size()) {
            Choose(row.name, "\u2014");
            continue;
        }
        const SolutionInput::Metal& m = entered.metals[i];
        ASSERT_TRUE(Choose(row.name, m.name)) << m.name;
        if (entered.type != CalculationType::Total) TypeAmount(row.total, row.totalUnit, m.total);
        if (entered.type != CalculationType::Free) TypeAmount(row.free, row.freeUnit, m.free);
    }
}

// What the window shows, read as the case words it: greyed results tell a refusal (its first reason),
// a fault or a stopped run; the notes are the messages; "to Output" gives the report.
Answer Shown(TTULV& main, TLive& live, const Case& c) {
    Answer a;
    const QStringList reason = live.Results->StaleReason->text().split(QLatin1Char('\n'));
    if (!live.Results->Stale()) {
        a.status = "ran";
    } else if (reason.front().startsWith(QStringLiteral("Greyed: the results of the last values"))) {
        a.status = "refused";
        a.refusal = reason.size() > 1 ? reason[1].toStdString() : std::string();
    } else if (reason.front().contains(QStringLiteral("ended with an error"))) {
        a.status = "fault";
    } else {
        a.status = "stopped";
    }
    for (const ShownMessage& m : live.RunMessages()) {
        std::string text = m.text;
        for (char& ch : text)
            if (ch == '\r') ch = ' ';
        a.messages.push_back(m.caption + ": " + text);
    }
    if (a.status != "ran") return a;
    for (const ExpectedValue& v : c.values)
        if (const std::optional<double> value = main.state().Value(v.key)) a.values[v.key] = *value;
    live.ToOutputClick();
    a.report = main.Output->Lines();
    return a;
}

class LiveConformance : public test::GuiTest, public testing::WithParamInterface<Case> {};

TEST_P(LiveConformance, LiveWindowShowsWhatTheCaseExpects) {
    const Case& c = GetParam();
    if (!c.In("live")) GTEST_SKIP() << c.notIn.at("live");
    TTULV& main = Start();
    {
        test::ModalScript script;
        script.File(QStringLiteral(DEDODIZ_SOURCE_DIR "/data/standard.TCM"));
        main.Open1Click();
    }
    main.Live1Click();
    TLive& live = *main.Live;
    if (const auto precision = c.One("precision")) {
        Refusals refusals;
        main.state().precision = PrecisionOrRefuse(*precision, refusals).value_or(kDefaultPrecision);
    }
    Fill(*live.Form, SolutionOf(c));
    live.Recalculate();
    const std::vector<std::string> d = Differences(c, Shown(main, live, c));
    std::string report;
    for (const std::string& line : d) report += "\n  " + line;
    EXPECT_TRUE(d.empty()) << c.name << " (" << c.comment << "):" << report;
}

std::vector<Case> RunCases() {
    std::vector<Case> cases;
    for (Case& c : LoadCases(kCases))
        if (c.command == "run") cases.push_back(std::move(c));
    return cases;
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, LiveConformance, testing::ValuesIn(RunCases()), CaseName);

}  // namespace
}  // namespace dedodiz::conformance
