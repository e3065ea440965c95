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

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "buffers/BufferModel.h"
#include "core/Export.h"
#include "core/Session.h"
#include "engine/Run.h"
#include "engine/Sinks.h"
#include "engine/State.h"

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

// The path of a bundled data file (standard.TCM, buffers.bcm), or empty. Besides the folders every
// program searches, the module looks where it lies itself: the source tree's data/ while it is loaded
// from its build folder, and the installed data folder beside an installed module.
std::string BundledFile(std::string_view name);

// "total", "free" or "chelator" (the Session's words); anything else raises ValueError.
CalculationType ParseType(std::string_view word);
std::string_view TypeWord(CalculationType type);

// The solution that the keywords chelators, metals, ph, temp, ionic and type describe. chelators maps
// names to totals [mol/L] (for type "chelator", which computes the totals, a list of names will do);
// metals maps names to the free concentration (type "total"), the total (type "free") or a pair
// (total, free) (type "chelator"), all in mol/L. A value of the wrong kind raises TypeError; the names
// and values are the Session's to check.
SolutionInput InputFromArguments(const py::handle& chelators, const py::handle& metals, double pH,
                                 double temperature, double ionic, CalculationType type);

// A number given for what ("metal Ca2", "volume") in unit ("mol/L", "L", or empty for a plain number);
// TypeError ("volume needs a number [L], not str") for anything that is not a number.
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
