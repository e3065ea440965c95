// SPDX-License-Identifier: BSD-3-Clause
// The recipe window's commands: the fields read into a request, the recipe made, and what can be done
// with it (copy, CSV, print, output window).

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>

#include <cmath>

#include "core/RecipeInput.h"
#include "core/RecipeReport.h"
#include "engine/Format.h"
#include "engine/SafeFile.h"
#include "gui/FileNames.h"
#include "gui/Foutput.h"
#include "gui/IOForm.h"
#include "gui/QtText.h"
#include "gui/Recipe.h"

namespace dedodiz {

namespace {

// The text of a field as an amount; after an "ERROR" message that names the field, nullopt.
// A volume or a stock typed without its unit is refused, as everywhere: "10" could be litres or
// microlitres.
std::optional<double> ReadAmount(const QString& text, AmountKind kind, const QString& what,
                                 MessageSink& messages, bool bare = false) {
    if (const std::optional<std::string> missing = bare ? std::nullopt : MissingUnit(ToStd(text), kind)) {
        messages.Message(ToStd(what) + ": " + *missing + ", got \"" + ToStd(text) + "\"", "ERROR");
        return std::nullopt;
    }
    const std::optional<double> value = ParseAmount(ToStd(text), kind, true);
    if (value) return value;
    messages.Message(ToStd(what) + ": " + AmountProblem(ToStd(text), kind), "ERROR");
    return std::nullopt;
}
std::optional<double> ReadAmount(const QLineEdit* field, AmountKind kind, const QString& what,
                                 MessageSink& messages, bool bare = false) {
    return ReadAmount(field->text(), kind, what, messages, bare);
}

std::optional<double> ReadNumber(const QString& typed, const QString& what, MessageSink& messages) {
    QString text = typed.trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    const std::optional<double> value = ParseReal(ToStd(text));
    if (!value) messages.Message(ToStd(what) + " is not a number: \"" + ToStd(typed) + "\"", "ERROR");
    return value;
}
std::optional<double> ReadNumber(const QLineEdit* field, const QString& what, MessageSink& messages) {
    return ReadNumber(field->text(), what, messages);
}

}  // namespace

bool TRecipe::ReadSeries(RecipeRequest& r) {
    if (SeriesMetal->currentIndex() <= 0) return true;
    r.seriesMetal = ToStd(SeriesMetal->currentText());
    r.seriesAsPX = SeriesKind->currentIndex() != 2;
    if (SeriesKind->currentIndex() == 0) {
        const auto from = ReadNumber(SeriesFrom, QStringLiteral("The first pX"), messages_);
        const auto to = from ? ReadNumber(SeriesTo, QStringLiteral("The last pX"), messages_) : std::nullopt;
        const auto step =
            to ? ReadNumber(SeriesStep, QStringLiteral("The pX step"), messages_) : std::nullopt;
        if (!step) return false;
        std::string error;
        r.seriesPX = PXRange(*from, *to, *step, error);
        if (!error.empty()) messages_.Message("The series: " + error, "ERROR");
        return error.empty();
    }
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    for (const QString& item : SeriesList->text().split(separators, Qt::SkipEmptyParts)) {
        const std::optional<double> v =
            r.seriesAsPX ? ReadNumber(item, QStringLiteral("A pX of the list"), messages_)
                         : ReadAmount(item, AmountKind::Concentration, QStringLiteral("A level of the list"),
                                      messages_, true);
        if (!v) return false;
        (r.seriesAsPX ? r.seriesPX : r.seriesFree).push_back(*v);
    }
    const bool empty = r.seriesFree.empty() && r.seriesPX.empty();
    if (empty) messages_.Message("The series list holds no value", "ERROR");
    return !empty;
}

std::optional<RecipeRequest> TRecipe::ReadRequest() {
    RecipeRequest r;
    const auto volume = ReadAmount(Volume, AmountKind::Volume, QStringLiteral("The volume"), messages_);
    if (!volume) return std::nullopt;
    r.volume = *volume;
    for (const StockRow& row : Stocks) {
        if (row.stock->text().trimmed().isEmpty()) continue;  // a stock not needed may stay empty
        const auto stock = ReadAmount(row.stock, AmountKind::Concentration,
                                      QStringLiteral("The stock of ") + row.name, messages_);
        if (!stock) return std::nullopt;
        r.stocks.push_back({ToStd(row.name), *stock});
        if (row.purity == nullptr) continue;
        const QString text = row.purity->text();
        const std::optional<double> purity = ParseFraction(ToStd(text), true);
        if (!purity) {
            messages_.Message("The purity of " + ToStd(row.name) +
                                  " is not a fraction in (0, 1] or a percentage: \"" + ToStd(text) + "\"",
                              "ERROR");
            return std::nullopt;
        }
        r.purity.push_back({ToStd(row.name), *purity});
    }
    if (Buffer->currentIndex() > 0) {
        r.buffer = ToStd(Buffer->currentText());
        const auto conc =
            ReadAmount(BufferConc, AmountKind::Concentration, QStringLiteral("The pH buffer"), messages_);
        const auto stock = conc ? ReadAmount(BufferStock, AmountKind::Concentration,
                                             QStringLiteral("The pH buffer stock"), messages_)
                                : std::nullopt;
        if (!stock) return std::nullopt;
        r.bufferConc = *conc;
        r.stocks.push_back({r.buffer, *stock});
        r.bufferSaltForm = static_cast<std::uint16_t>(BufferForm->currentIndex());
    }
    if (TopUp->isChecked()) {
        // In M the target is the ionic strength 1/2 sum c z^2, a concentration (a bare number is molar).
        const bool strength = TargetKind->currentIndex() == 1;
        const auto target = ReadAmount(Target, strength ? AmountKind::Concentration : AmountKind::Ionic,
                                       QStringLiteral("The ionic strength"), messages_, true);
        const auto stock = target ? ReadAmount(SaltStock, AmountKind::Concentration,
                                               QStringLiteral("The salt stock"), messages_)
                                  : std::nullopt;
        if (!stock) return std::nullopt;
        (strength ? r.ionicStrengthTarget : r.ionicTarget) = *target;
        r.topup = NamedValue{ToStd(SaltName->text().trimmed()), *stock};
    }
    if (!ReadChemistry(r) || !ReadSeries(r)) return std::nullopt;
    r.mixing = Method->currentIndex() == 1;
    if (r.mixing && !MixVolume->text().trimmed().isEmpty()) {
        const auto mix =
            ReadAmount(MixVolume, AmountKind::Volume, QStringLiteral("The mix volume"), messages_);
        if (!mix) return std::nullopt;
        r.mixVolume = *mix;
    }
    return r;
}

bool TRecipe::CalculateClick() {
    recipe_ = Recipe{};
    const std::optional<RecipeRequest> request = ReadRequest();
    if (request) {
        const bool buffered = !request->buffer.empty();
        const Outcome made = Perform(s_, messages_, nullptr, [&](Session& session) {
            return session.MakeRecipe(*request, ReportPlacement::Replace,
                                      buffered ? &BufferTable() : nullptr);
        });
        if (made.Ran()) recipe_ = s_.LastRecipe();
    }
    ShowTable();
    return recipe_.ok;
}

void TRecipe::CopyClick() {
    if (recipe_.ok) QApplication::clipboard()->setText(ToQ(TabSeparated(PipettingTable(recipe_))));
}

void TRecipe::ExportClick() {
    if (const auto chosen = TIOForm::Execute(SaveDialog1)) ExportCsv(ToStd(*chosen));
}

std::string TRecipe::ExportCsv(const std::string& name) {
    if (!recipe_.ok) return {};
    const std::string target = ForceFileExt(name, ".csv");
    std::string error;
    if (!WriteFileAtomically(target, RecipeCsv(recipe_), &error)) {
        messages_.Message(target + ":\r" + error, "ERROR");
        return {};
    }
    return target;
}

int TRecipe::PrintTo(QPrinter& printer) const {
    return TOutput::PrintLines(printer, RecipeReport(recipe_, s_.ConstantsFileName.view()));
}

void TRecipe::PrintClick() {
    if (!recipe_.ok) return;
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer_.get(), this);
    dialog.setObjectName(QStringLiteral("PrintDialog1"));
    if (dialog.exec() == QDialog::Accepted) PrintTo(*printer_);
}

void TRecipe::ToOutputClick() {
    if (!recipe_.ok) return;
    WriteRecipeReport(recipe_, s_.ConstantsFileName.view(), Placement(s_), output_);
    output_.ShowOutput();
}

}  // namespace dedodiz
