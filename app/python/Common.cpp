// SPDX-License-Identifier: BSD-3-Clause
#include "python/Common.h"

#include <dlfcn.h>

#include <system_error>
#include <vector>

#include "buffers/BufferFile.h"
#include "files/ConstantsFile.h"
#include "files/DataPaths.h"

namespace dedodiz::python {

namespace fs = std::filesystem;

namespace {

// Forgets every message: the readers' messages come back as their reasons.
class NoMessages : public MessageSink {
  public:
    void Message(std::string_view, std::string_view) override {}
};

// The folder of this module's own file, found through an object that lives in it; empty when the
// system does not tell.
fs::path ModuleFolder() {
    static const char marker = 0;
    Dl_info info{};
    if (dladdr(&marker, &info) == 0 || info.dli_fname == nullptr) return {};
    std::error_code ec;
    const fs::path file = fs::canonical(info.dli_fname, ec);
    return ec ? fs::path() : file.parent_path();
}

bool IsRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// The folders that may hold the bundled data, in the order they are searched. A module run from its
// build folder is a developer's: it takes the data of its own source tree before an installed copy.
std::vector<fs::path> DataFolders() {
    std::vector<fs::path> folders;
    const fs::path module = ModuleFolder();
    const fs::path source = module.empty() ? fs::path() : SourceTreeOfBuild(module);
    if (!source.empty()) folders.push_back(source / "data");
    if (!module.empty()) folders.push_back((module / DEDODIZ_PYTHON_DATA_RELATIVE_DIR).lexically_normal());
    for (const fs::path& folder : BundledDataFolders()) folders.push_back(folder);
    return folders;
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

double ReadNumber(const py::handle& value, const std::string& what, std::string_view unit) {
    const double x = PyFloat_AsDouble(value.ptr());
    if (x == -1.0 && PyErr_Occurred() != nullptr) {
        PyErr_Clear();
        throw py::type_error(what + " needs a number" + (unit.empty() ? "" : " [" + std::string(unit) + "]") +
                             ", not " + std::string(py::str(py::type::of(value).attr("__name__"))));
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

std::string BundledFile(std::string_view name) {
    for (const fs::path& folder : DataFolders())
        if (IsRegularFile(folder / name)) return (folder / name).string();
    return {};
}

Table ReadTable(const fs::path& path) {
    auto table = std::make_shared<ConstantsTable>();
    ClearConstants(*table);
    NoMessages none;
    // Found as every front end finds a data file: as given, then in the bundled data folders. The
    // reports name the file as it was given.
    const std::string name = path.string();
    const std::string found = FindDataFile(name, {}, DataFolders());
    const FileResult read = ReadConstantsFile(*table, found, none);
    if (!read.ok()) {
        std::error_code ec;
        if (!fs::exists(found, ec)) RaiseMissing(read.reason);
        throw py::value_error(read.reason);
    }
    table->ConstantsFileName = name;
    return {table};
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
    auto tool = std::make_shared<BufferTool>();
    ResetBufferRecord(tool->BufferRecord);
    NoMessages none;
    // A file without records is twelve empty slots; only a file that cannot be read fails.
    const std::string found = FindDataFile(path.string(), {}, DataFolders());
    const BufferReadResult read = ReadBufferFile(*tool, found, none);
    if (!read.file.ok()) {
        std::error_code ec;
        if (!fs::exists(found, ec)) RaiseMissing(read.file.reason);
        throw py::value_error(read.file.reason);
    }
    return {tool};
}

BufferTable StandardBufferTable() {
    const std::string path = BundledFile("buffers.bcm");
    if (path.empty()) RaiseMissing("the bundled pH buffer file buffers.bcm is not installed");
    return ReadBufferTable(path);
}

CalculationType ParseType(std::string_view word) {
    if (word == "total") return CalculationType::Total;
    if (word == "free") return CalculationType::Free;
    if (word == "chelator") return CalculationType::Chelator;
    throw py::value_error("type must be \"total\", \"free\" or \"chelator\", not \"" + std::string(word) +
                          "\"");
}

std::string_view TypeWord(CalculationType type) {
    switch (type) {
        case CalculationType::Total:
            return "total";
        case CalculationType::Chelator:
            return "chelator";
        case CalculationType::Free:
            break;
    }
    return "free";
}

SolutionInput InputFromArguments(const py::handle& chelators, const py::handle& metals, double pH,
                                 double temperature, double ionic, CalculationType type) {
    SolutionInput entered;
    entered.type = type;
    entered.pH = pH;
    entered.temperature = temperature;
    entered.ionic = ionic;
    AddChelators(chelators, type, entered);
    AddMetals(metals, type, entered);
    return entered;
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

void RaiseRefused(const ShownMessages& shown, const std::string& fallback) {
    for (const ShownMessage& m : shown)
        if (m.caption == "ERROR") throw py::value_error(MessageText(m.text));
    throw py::value_error(fallback);
}

void RaiseFaultError(const ShownMessages& shown) {
    for (auto m = shown.rbegin(); m != shown.rend(); ++m)
        if (m->caption == "ERROR") throw FaultError(MessageText(m->text));
    throw FaultError("FLOATING POINT ERROR");
}

void RaiseFailed(const ShownMessages& shown, const std::string& fallback) {
    for (const ShownMessage& m : shown)
        if (m.caption == "ERROR" && m.text.rfind("FLOATING POINT ERROR", 0) == 0) RaiseFaultError(shown);
    RaiseRefused(shown, fallback);
}

Described DescribeOrRaise(const ConstantsTable& table, const SolutionInput& entered) {
    Described d;
    d.calc = std::make_unique<Calculation>();
    ConstantsTable empty;
    NewCalculation(empty, d.selection, *d.calc);
    MessageKeeper described;
    const DescribeResult result = DescribeSolution(table, entered, d.selection, *d.calc, described);
    if (!result.ok()) throw py::value_error(result.error);
    d.messages = described.Messages();
    return d;
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
