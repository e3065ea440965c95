// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// What the parts of the Python module share: the tables as Python holds them, the reading of the
// keyword arguments that describe a solution, the two kinds of error, and JSON documents as Python
// objects.
//
// Every function of the module takes the table first and everything else as keywords, so that new
// keywords (an exact refinement, say) and new functions (recipes, uncertainty) are added without
// changing a call that works today.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>  // in every part alike, so that the conversions agree

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "buffers/BufferModel.h"
#include "core/Export.h"
#include "core/Session.h"
#include "engine/Run.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {
struct CalibrationUse;
}

namespace dedodiz::python {

namespace py = pybind11;

// A floating-point fault stopped a calculation: dedodiz.FloatingPointError in Python (a subclass of
// the built-in FloatingPointError, so of ArithmeticError), carrying the program's "ERROR" text.
class FaultError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The calculation's own checks stopped it (constants missing, total metal below free metal):
// dedodiz.StoppedError, a ValueError carrying the program's "ERROR" text.
class StoppedError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A recipe that cannot be made (the stocks too dilute, a level out of reach): dedodiz.CannotBeMadeError,
// a ValueError.
class CannotBeMadeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file that was read but is not what it should be (not a constants file name, a broken table):
// dedodiz.FileFormatError, a ValueError carrying the reader's reason.
class FileFormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A constants table as loaded; never changed afterwards, so results and calls may share it.
struct Table {
    std::shared_ptr<const ConstantsTable> data;
};

// A pH buffer file as loaded.
struct BufferTable {
    std::shared_ptr<const BufferTool> data;
};

// Reads a constants file (.TCM or .CCM). A missing file raises FileNotFoundError, one that cannot be
// read as a constants table ValueError, each with the reader's reason.
Table ReadTable(const std::filesystem::path& path);

// The bundled table of twelve chelators and nine metals (read once), or FileNotFoundError.
Table StandardTable();

// The table given, or the bundled one for None.
const ConstantsTable& TableOrStandard(const Table* table);

BufferTable ReadBufferTable(const std::filesystem::path& path);
BufferTable StandardBufferTable();

// The path of a bundled data file (standard.TCM, buffers.bcm), or empty. The package's own data folder
// (dedodiz/data, which the package names when it is imported: SetPackageDataFolder) comes before the
// folders every program searches.
std::string BundledFile(std::string_view name);
void SetPackageDataFolder(const std::filesystem::path& folder);

// The purity and contamination that recipe() and uncertainty() take from a Calibration (calibration=):
// none for None, TypeError for anything that is not a Calibration.
std::optional<CalibrationUse> CalibrationUseOf(const py::object& calibration);

// The folders that may hold the bundled data, in the order they are searched: the package's own, then
// those of an installed program.
std::vector<std::filesystem::path> DataFolders();

// "total", "free" or "chelator" (the Session's words); anything else raises ValueError.
CalculationType ParseType(std::string_view word);
std::string_view TypeWord(CalculationType type);

// Whether Ctrl-C (or another signal with a Python handler) came during work done without the
// interpreter. Interrupted() may be called as often as wished from the thread that released the
// interpreter: it takes the interpreter back only every kInterval to ask it, so a long call notices a
// signal within that time and costs the check a clock reading otherwise. When it says true the
// handler's exception (KeyboardInterrupt) is set: the work stops and the caller, holding the
// interpreter again, throws py::error_already_set.
class SignalCheck {
  public:
    static constexpr std::chrono::milliseconds kInterval{20};
    bool Interrupted() {
        if (interrupted_) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now < next_) return false;
        next_ = now + kInterval;
        const py::gil_scoped_acquire held;
        interrupted_ = PyErr_CheckSignals() != 0;
        return interrupted_;
    }
    // Whether Interrupted() said true, without asking again.
    [[nodiscard]] bool WasInterrupted() const { return interrupted_; }

  private:
    std::chrono::steady_clock::time_point next_ = std::chrono::steady_clock::now() + kInterval;
    bool interrupted_ = false;
};

// The plain bytes of one of the program's records (a table, a calculation, a sweep: records of numbers
// and fixed-size texts, as the program's binary files hold them), for pickling; and the record back.
// Bytes of another size (a pickle of another build) raise ValueError.
template <typename Record>
py::bytes RecordBytes(const Record& record) {
    static_assert(std::is_trivially_copyable_v<Record>);
    return {reinterpret_cast<const char*>(&record), sizeof record};
}
template <typename Record>
void RecordFromBytes(const py::bytes& bytes, Record& record) {
    static_assert(std::is_trivially_copyable_v<Record>);
    const std::string_view data = bytes;
    if (data.size() != sizeof record)
        throw py::value_error("the pickled state is not one of this version of dedodiz");
    std::memcpy(&record, data.data(), sizeof record);
}

// An outcome's messages, report lines and flags as plain Python data (tuples of bytes and numbers), and
// back: what a pickled result keeps of the run that made it.
py::tuple OutcomeState(const Outcome& outcome);
Outcome OutcomeFromState(const py::handle& state);
// A JSON document as its text, and back (doubles keep every digit).
py::bytes JsonState(const std::shared_ptr<const JsonValue>& json);
std::shared_ptr<const JsonValue> JsonFromState(const py::handle& state);
// Checks a pickled state's length; ValueError for another.
const py::tuple& StateOfLength(const py::tuple& state, std::size_t length);

// The stack level of a RuntimeWarning that names the user's line: the package's function (1) is called
// through its keyword check (2) by the user's code (3).
inline constexpr int kCallerFrame = 3;

// The solution that the keywords chelators, metals, ph, temp, ionic and type describe. chelators maps
// names to totals [mol/L] (for type "chelator", which computes the totals, a list of names will do);
// metals maps names to the free concentration (type "total"), the total (type "free") or a pair
// (total, free) (type "chelator"), all in mol/L. A value of the wrong kind raises TypeError; the names
// and values are the Session's to check.
// ph, temp and ionic are read as ReadNumber reads them (TypeError naming the keyword); whether they are
// finite and in range is the Session's to say.
SolutionInput InputFromArguments(const py::handle& chelators, const py::handle& metals, const py::handle& pH,
                                 const py::handle& temperature, const py::handle& ionic,
                                 CalculationType type);

// The conditions ph, temp [C] and ionic [N] as given to evaluate() and buffer_ranges().
Conditions ConditionsFromArguments(const py::handle& pH, const py::handle& temperature,
                                   const py::handle& ionic);

// A number given for what ("metal Ca2", "volume") in unit ("mol/L", "L", or empty for a plain number);
// TypeError ("volume needs a number [L], not str") for anything that is not a real number (None and
// complex numbers included).
double ReadNumber(const py::handle& value, const std::string& what, std::string_view unit);

// A name given as a key (kind "chelator" or "metal"); TypeError when it is not text.
std::string KeyName(const py::handle& key, std::string_view kind);

// A tuple or list of two values: the (total, free) of a metal in type "chelator".
bool IsPair(const py::handle& value);

// The name of a chelator or metal as Python text: the table's bytes as UTF-8 (Windows-1252 when they
// are not UTF-8), as the data exports give them.
py::str NameText(std::string_view name);

// A message as Python shows it: '\n' where the message box breaks its line.
std::string MessageText(std::string_view text);

// The messages a calculation showed, as a list of (caption, text).
py::list MessageList(const ShownMessages& shown);

// Raises the exception of an outcome that did not run, chosen by its status: ValueError for refused
// input, StoppedError for a stopped calculation, CannotBeMadeError for a recipe that cannot be made (both
// ValueErrors), FaultError for a floating-point fault, OSError (FileNotFoundError, PermissionError, ... by
// its errno) with the file name for a file the system could not read, FileFormatError (a ValueError)
// for a file that was read but refused.
[[noreturn]] void Raise(const Outcome& outcome);
inline void RaiseUnlessRan(const Outcome& outcome) {
    if (!outcome.Ran()) Raise(outcome);
}

// The precision of a call: precision="described", "checked" (the default) or "exact"; refine=True is
// "exact" (a name kept from before the three precisions). Anything else raises ValueError.
Precision PrecisionOf(const std::string& precision, bool refine);

// A session over the table (the bundled one for None), with the precision given.
std::unique_ptr<Session> SessionFor(const ConstantsTable& table, Precision precision);

// A session over the table whose solution is entered (Session::Describe); raises as Raise does.
std::unique_ptr<Session> DescribeOrRaise(const ConstantsTable& table, const SolutionInput& entered,
                                         Precision precision);

// A JSON document of the data exports as Python objects: dict, list, str, float, int, bool, None.
py::object ToPython(const JsonValue& value);

// Report lines as one text: each line ended by "\n", as the command-line tool prints them.
std::string ReportText(const std::vector<std::string>& lines);

}  // namespace dedodiz::python
