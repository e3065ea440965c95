// SPDX-License-Identifier: BSD-3-Clause
#include "python/Common.h"

#include <system_error>
#include <vector>

#include "buffers/BufferFile.h"
#include "engine/CalcTypes.h"
#include "files/ConstantsFile.h"
#include "files/DataPaths.h"

namespace dedodiz::python {

namespace fs = std::filesystem;

namespace {

// The package's data folder, dedodiz/data, as the package found it with importlib.resources.
fs::path& PackageDataFolder() {
    static fs::path folder;
    return folder;
}

bool IsRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

[[noreturn]] void RaiseMissing(const std::string& reason) {
    PyErr_SetString(PyExc_FileNotFoundError, reason.c_str());
    throw py::error_already_set();
}

double Number(const py::handle& value, const std::string& what) {
    return ReadNumber(value, what, "mol/L");
}

void AddChelators(const py::handle& chelators, CalculationType type, SolutionInput& entered) {
    if (py::isinstance<py::dict>(chelators)) {
        for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(chelators)) {
            const std::string name = KeyName(key, "chelator");
            // Type chelator computes the totals: a value given there is not read.
            const double total = type == CalculationType::Chelator && value.is_none()
                                     ? 0.0
                                     : Number(value, "chelator " + name);
            entered.chelators.push_back({name, total});
        }
        return;
    }
    if (type == CalculationType::Chelator &&
        (py::isinstance<py::list>(chelators) || py::isinstance<py::tuple>(chelators))) {
        for (const py::handle& key : chelators) entered.chelators.push_back({KeyName(key, "chelator"), 0.0});
        return;
    }
    throw py::type_error(type == CalculationType::Chelator
                             ? "chelators must be a list of names or a dict of names and totals [mol/L]"
                             : "chelators must be a dict of names and totals [mol/L]");
}

void AddMetals(const py::handle& metals, CalculationType type, SolutionInput& entered) {
    if (!py::isinstance<py::dict>(metals))
        throw py::type_error("metals must be a dict of names and concentrations [mol/L]");
    for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(metals)) {
        SolutionInput::Metal metal{KeyName(key, "metal"), 0, 0};
        const std::string what = "metal " + metal.name;
        switch (type) {
            case CalculationType::Total:
                metal.free = Number(value, what);
                break;
            case CalculationType::Free:
                metal.total = Number(value, what);
                break;
            case CalculationType::Chelator:
                if (!IsPair(value))
                    throw py::type_error("type \"chelator\" needs (total, free) [mol/L] for " + what);
                metal.total = Number(value[py::int_(0)], what);
                metal.free = Number(value[py::int_(1)], what);
                break;
        }
        entered.metals.push_back(metal);
    }
}

}  // namespace

std::vector<fs::path> DataFolders() {
    std::vector<fs::path> folders;
    if (!PackageDataFolder().empty()) folders.push_back(PackageDataFolder());
    for (const fs::path& folder : BundledDataFolders()) folders.push_back(folder);
    return folders;
}

// A complex number that some types would turn into a float by dropping its imaginary part (numpy's
// complex scalars do): it is refused as no number.
bool IsComplex(const py::handle& value) {
    if (PyComplex_Check(value.ptr()) != 0) return true;
    // Kept for the life of the process: released at its end, after the interpreter, they would crash.
    static const auto* const complexType = new py::object(py::module_::import("numbers").attr("Complex"));
    static const auto* const realType = new py::object(py::module_::import("numbers").attr("Real"));
    return py::isinstance(value, *complexType) && !py::isinstance(value, *realType);
}

double ReadNumber(const py::handle& value, const std::string& what, std::string_view unit) {
    if (PyFloat_CheckExact(value.ptr()) != 0) return PyFloat_AS_DOUBLE(value.ptr());
    const bool complex = PyLong_CheckExact(value.ptr()) == 0 && IsComplex(value);
    const double x = complex ? -1.0 : PyFloat_AsDouble(value.ptr());
    if (complex || (x == -1.0 && PyErr_Occurred() != nullptr)) {
        PyErr_Clear();
        throw py::type_error(what + " needs a" + (complex ? " real" : "") + " number" +
                             (unit.empty() ? "" : " [" + std::string(unit) + "]") + ", not " +
                             std::string(py::str(py::type::of(value).attr("__name__"))));
    }
    return x;
}

std::string KeyName(const py::handle& key, std::string_view kind) {
    if (!py::isinstance<py::str>(key))
        throw py::type_error(std::string(kind) + " names must be text, not " +
                             std::string(py::str(py::type::of(key).attr("__name__"))));
    return key.cast<std::string>();
}

bool IsPair(const py::handle& value) {
    return (py::isinstance<py::tuple>(value) || py::isinstance<py::list>(value)) && py::len(value) == 2;
}

void SetPackageDataFolder(const fs::path& folder) {
    PackageDataFolder() = folder;
}

std::string BundledFile(std::string_view name) {
    for (const fs::path& folder : DataFolders())
        if (IsRegularFile(folder / name)) return (folder / name).string();
    return {};
}

Table ReadTable(const fs::path& path) {
    // Found as every front end finds a data file: as given, then in the bundled data folders. The
    // reports name the file as it was given.
    Session session;
    session.SetDataFolders(DataFolders());
    RaiseUnlessRan(session.LoadConstants(path.string()));
    return {std::make_shared<const ConstantsTable>(session.table())};
}

Table StandardTable() {
    static Table standard;
    if (!standard.data) {
        const std::string path = BundledFile(kBundledConstantsName);
        if (path.empty())
            RaiseMissing("the bundled constants table " + std::string(kBundledConstantsName) +
                         " is not installed");
        standard = ReadTable(path);
    }
    return standard;
}

const ConstantsTable& TableOrStandard(const Table* table) {
    // The bundled table is kept for the life of the module once read.
    return table != nullptr ? *table->data : *StandardTable().data;
}

BufferTable ReadBufferTable(const fs::path& path) {
    // A file without records is twelve empty slots; only a file that cannot be read fails.
    Session session;
    session.SetDataFolders(DataFolders());
    RaiseUnlessRan(session.LoadBuffers(path.string()));
    return {std::make_shared<const BufferTool>(session.buffers())};
}

BufferTable StandardBufferTable() {
    const std::string path = BundledFile("buffers.bcm");
    if (path.empty()) RaiseMissing("the bundled pH buffer file buffers.bcm is not installed");
    return ReadBufferTable(path);
}

CalculationType ParseType(std::string_view word) {
    Refusals refusals;
    if (const std::optional<CalculationType> type = TypeOrRefuse(word, refusals)) return *type;
    throw py::value_error(refusals.front().Message());
}

std::string_view TypeWord(CalculationType type) {
    return TypeInfo(type).word;
}

SolutionInput InputFromArguments(const py::handle& chelators, const py::handle& metals, const py::handle& pH,
                                 const py::handle& temperature, const py::handle& ionic,
                                 CalculationType type) {
    SolutionInput entered;
    entered.type = type;
    const Conditions conditions = ConditionsFromArguments(pH, temperature, ionic);
    entered.pH = conditions.pH;
    entered.temperature = conditions.temperature;
    entered.ionic = conditions.ionic;
    AddChelators(chelators, type, entered);
    AddMetals(metals, type, entered);
    return entered;
}

Conditions ConditionsFromArguments(const py::handle& pH, const py::handle& temperature,
                                   const py::handle& ionic) {
    return {ReadNumber(temperature, "temp", "C"), ReadNumber(pH, "ph", ""), ReadNumber(ionic, "ionic", "N")};
}

py::tuple OutcomeState(const Outcome& outcome) {
    py::list messages, report;
    for (const ShownMessage& m : outcome.messages)
        messages.append(py::make_tuple(py::bytes(m.caption), py::bytes(m.text)));
    for (const std::string& line : outcome.report) report.append(py::bytes(line));
    return py::make_tuple(static_cast<int>(outcome.status), messages, report, outcome.converged,
                          outcome.refined, outcome.residual);
}

Outcome OutcomeFromState(const py::handle& state) {
    const auto t = py::reinterpret_borrow<py::tuple>(state);
    StateOfLength(t, 6);
    Outcome outcome;
    outcome.status = static_cast<Status>(t[0].cast<int>());
    for (const py::handle& m : t[1])
        outcome.messages.push_back({m[py::int_(0)].cast<std::string>(), m[py::int_(1)].cast<std::string>()});
    for (const py::handle& line : t[2]) outcome.report.push_back(line.cast<std::string>());
    outcome.converged = t[3].cast<bool>();
    outcome.refined = t[4].cast<bool>();
    outcome.residual = t[5].cast<double>();
    return outcome;
}

py::bytes JsonState(const std::shared_ptr<const JsonValue>& json) {
    return {json->dump()};
}

std::shared_ptr<const JsonValue> JsonFromState(const py::handle& state) {
    return std::make_shared<const JsonValue>(JsonValue::parse(state.cast<std::string>()));
}

const py::tuple& StateOfLength(const py::tuple& state, std::size_t length) {
    if (py::len(state) != length)
        throw py::value_error("the pickled state is not one of this version of dedodiz");
    return state;
}

py::str NameText(std::string_view name) {
    return py::str(ExportText(name));
}

std::string MessageText(std::string_view text) {
    std::string out = ExportText(text);
    std::replace(out.begin(), out.end(), '\r', '\n');
    return out;
}

py::list MessageList(const ShownMessages& shown) {
    py::list list;
    for (const ShownMessage& m : shown)
        list.append(py::make_tuple(MessageText(m.caption), MessageText(m.text)));
    return list;
}

void Raise(const Outcome& outcome) {
    // The program's own "ERROR" message where one was shown, in Python's line breaks.
    const auto shownError = [&](bool last) -> std::optional<std::string> {
        std::optional<std::string> text;
        for (const ShownMessage& m : outcome.messages) {
            if (m.caption != "ERROR") continue;
            text = MessageText(m.text);
            if (!last) break;
        }
        return text;
    };
    switch (outcome.status) {
        case Status::Ran:
            break;
        case Status::Refused:
            throw py::value_error(ExportText(outcome.Message()));
        case Status::Stopped:
            throw StoppedError(shownError(false).value_or(ExportText(outcome.Message())));
        case Status::CannotBeMade:
            throw CannotBeMadeError(shownError(false).value_or(ExportText(outcome.Message())));
        case Status::Fault:
            throw FaultError(shownError(true).value_or("FLOATING POINT ERROR"));
        case Status::FileError: {
            if (outcome.error == 0) throw FileFormatError(ExportText(outcome.Message()));
            // OSError(errno, text, filename) becomes FileNotFoundError, PermissionError, ... by its errno.
            const py::object error = py::reinterpret_borrow<py::object>(PyExc_OSError)(
                outcome.error, ExportText(outcome.reason), ExportText(outcome.path));
            PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
            throw py::error_already_set();
        }
    }
    throw py::value_error("the calculation did not run");
}

Precision PrecisionOf(const std::string& precision, bool refine) {
    Refusals refusals;
    const std::optional<Precision> chosen = PrecisionOrRefuse(precision, refusals);
    if (!chosen) throw py::value_error(refusals.front().Message());
    if (refine && *chosen != Precision::Exact && precision != "checked")
        throw py::value_error("refine=True asks for precision=\"exact\", not \"" + precision + "\"");
    return refine ? Precision::Exact : *chosen;
}

std::unique_ptr<Session> SessionFor(const ConstantsTable& table, Precision precision) {
    auto session = std::make_unique<Session>();
    session->table() = table;
    session->precision = precision;
    return session;
}

std::unique_ptr<Session> DescribeOrRaise(const ConstantsTable& table, const SolutionInput& entered,
                                         Precision precision) {
    std::unique_ptr<Session> session = SessionFor(table, precision);
    RaiseUnlessRan(session->Describe(entered));
    return session;
}

py::object ToPython(const JsonValue& value) {
    using Type = JsonValue::value_t;
    switch (value.type()) {
        case Type::boolean:
            return py::bool_(value.get<bool>());
        case Type::number_integer:
            return py::int_(value.get<std::int64_t>());
        case Type::number_unsigned:
            return py::int_(value.get<std::uint64_t>());
        case Type::number_float:
            return py::float_(value.get<double>());
        case Type::string:
            return py::str(value.get_ref<const std::string&>());
        case Type::array: {
            py::list list;
            for (const JsonValue& item : value) list.append(ToPython(item));
            return list;
        }
        case Type::object: {
            py::dict dict;
            for (const auto& item : value.items()) dict[py::str(item.key())] = ToPython(item.value());
            return dict;
        }
        default:
            return py::none();
    }
}

std::string ReportText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace dedodiz::python
