// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The form of the live calculator: the calculation type, the conditions, six chelator rows and six
// metal rows, each a name from the constants table with its concentrations and their units. It reads
// itself into a solution described by names and fills itself from the program's state; every edit
// the user makes is told through Edited(), and a field that gives no number is marked and named.

#include <QStringList>
#include <QWidget>
#include <array>
#include <vector>

#include "core/Session.h"
#include "engine/State.h"
#include "gui/LiveNumbers.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace dedodiz {

// Where a message of a run is shown beside the value it concerns.
enum class LivePlace { Temperature, PH, Ionic, Selection, Results, Pairs };

// The form as read: the solution, or the fields that gave no number, each named with its text.
struct LiveReading {
    SolutionInput entered;
    QStringList problems;           // "pH: \"7,2,\" is not a number", in the order of the form
    std::vector<int> chelatorRows;  // the row (0-based) of each chelator entered
    std::vector<int> metalRows;     // the row of each metal entered
    [[nodiscard]] bool ok() const { return problems.isEmpty(); }
};

class LiveForm : public QWidget {
    Q_OBJECT

  public:
    explicit LiveForm(QWidget* parent = nullptr);

    // The names the rows offer: the chelators and metals of table, after an empty choice.
    void SetNames(const ConstantsTable& table);
    // Shows the type, the conditions and the slots of the solution, each concentration in the unit
    // in which it reads best. Tells no edit.
    void Fill(const Selection& selection, const Calculation& calc);
    // Shows in the fields the type does not take (they are disabled) what the run computed for them, to
    // four digits: switching the type then starts from the present answer.
    void ShowComputed(const Selection& selection, const Calculation& calc);
    // Reads every field the type takes, marking those that give no number.
    [[nodiscard]] LiveReading Read();
    // Marks the fields of a reading that the Session refused, each with its reason; the refusals' texts.
    QStringList MarkRefused(const LiveReading& reading, const Refusals& refusals);

    // The calculation type of the radio buttons.
    [[nodiscard]] CalculationType Type() const;
    // The note beside the place (temperature, pH, ionic strength, the choice of entries); nullptr for
    // the places of the results.
    [[nodiscard]] QLabel* Note(LivePlace place) const;

    struct ChelatorRow {
        QLabel* label;
        QComboBox* name;
        QLineEdit* total;
        QComboBox* totalUnit;
    };
    struct MetalRow {
        QLabel* label;
        QComboBox* name;
        QLineEdit* total;
        QComboBox* totalUnit;
        QLineEdit* free;
        QComboBox* freeUnit;
    };

    QRadioButton* TypeFree;
    QRadioButton* TypeTotal;
    QRadioButton* TypeChelator;
    QLineEdit* Temperature;
    QLineEdit* PH;
    QLineEdit* Ionic;
    std::array<ChelatorRow, kSlots> Chelators;
    std::array<MetalRow, kSlots> Metals;

  signals:
    void Edited();

  private:
    QWidget* BuildType();
    QWidget* BuildConditions();
    QWidget* BuildChelators();
    QWidget* BuildMetals();
    QLineEdit* ConcField(const QString& name);
    // A unit box for field: choosing another unit converts the field's text to it.
    QComboBox* UnitBox(QLineEdit* field, bool withLevel);
    QComboBox* NameBox(int letters);  // a name box as wide as a name of so many letters
    // Enables the fields the type takes in the rows that name an entry.
    void UpdateEnabled();
    void ReadConditions(LiveReading& reading);
    void ReadChelators(LiveReading& reading);
    void ReadMetals(LiveReading& reading);
    // The amount of field in the unit of its box; a field that gives no number is added to reading.
    Amount ReadConc(QLineEdit* field, const QComboBox* unit, LiveReading& reading);

    QButtonGroup* types_;
    QLabel* temperatureNote_;
    QLabel* pHNote_;
    QLabel* ionicNote_;
    QLabel* selectionNote_;
};

// Marks a field (or a name box) that gives no value, with the reason as its tool tip; an empty reason
// takes the mark away. The mark is a fixed pale red behind fixed black text, readable under any palette.
void MarkField(QWidget* field, const QString& reason);
[[nodiscard]] bool FieldMarked(const QWidget* field);

}  // namespace dedodiz
