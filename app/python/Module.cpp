// SPDX-License-Identifier: BSD-3-Clause
// dedodiz._core, the compiled core of the Python package dedodiz: the calculator's computations for
// scripts and notebooks, as numbers. A front end like the others: it turns Python arguments into the
// library's descriptions, calls the library, and turns what comes back into Python values; it computes
// nothing of its own. The package (dedodiz/__init__.py) adds the signatures, the checks of keywords and
// the conversions to pandas and xarray.

#include <pybind11/stl/filesystem.h>

#include <string>

#include "core/Listing.h"
#include "core/OutputText.h"
#include "engine/Release.h"
#include "python/Bindings.h"
#include "python/Common.h"

namespace dedodiz::python {

namespace {

py::list Names(const ConstantsTable& t, bool metals) {
    py::list names;
    if (metals) {
        for (int k = 1; k <= kTableMetals; ++k)
            if (t.Constants[1].MetalName[k] != kEmptyMetal)
                names.append(NameText(t.Constants[1].MetalName[k].view()));
    } else {
        for (int k = 1; k <= kTableChelators; ++k)
            if (t.Constants[k].Name != kEmptyChelator) names.append(NameText(t.Constants[k].Name.view()));
    }
    return names;
}

std::string Listing(const ConstantsTable& t) {
    OutputText output;
    MessageKeeper messages;
    ListConstants(t, ReportPlacement::Replace, output, messages);
    return ReportText(output.Lines());
}

}  // namespace

void BindTables(py::module_& m) {
    py::class_<Table>(m, "Table",
                      "A constants table: twelve chelators and nine metals with their log10 binding and "
                      "protonation constants at 20 C and 0.1 N and their enthalpies [kcal/mol].")
        .def_static(
            "load", &ReadTable, py::arg("path"),
            "Reads a constants file (.TCM text or .CCM binary), found as every front end finds it: as "
            "given, then in the bundled data folder. Raises FileNotFoundError when there is no such "
            "file, ValueError with the reader's reason when it is not a constants table.")
        .def_static("standard", &StandardTable,
                    "The bundled table (standard.TCM) of twelve chelators and nine metals, which solve() and "
                    "the others use when given no table.")
        .def_property_readonly(
            "path", [](const Table& t) { return ExportText(t.data->ConstantsFileName.view()); },
            "The file the table was read from, as the reports name it.")
        .def_property_readonly(
            "chelators", [](const Table& t) { return Names(*t.data, false); }, "The names of its chelators.")
        .def_property_readonly(
            "metals", [](const Table& t) { return Names(*t.data, true); },
            "The names of its metals (two letters and the valence: \"Ca2\").")
        .def_property_readonly(
            "listing", [](const Table& t) { return Listing(*t.data); },
            "The constants listing, exactly as dedodiz32-cli list prints it.")
        .def(
            "to_dict", [](const Table& t) { return ToPython(ConstantsJson(*t.data, {})); },
            "The table as stored (20 C, 0.1 N), as the JSON document of dedodiz32-cli list --format json.")
        .def("__repr__",
             [](const Table& t) {
                 return "<dedodiz.Table " + ExportText(t.data->ConstantsFileName.view()) + ">";
             })
        .def(py::pickle([](const Table& t) { return py::make_tuple(RecordBytes(*t.data)); },
                        [](const py::tuple& state) {
                            auto table = std::make_shared<ConstantsTable>();
                            RecordFromBytes(state[0].cast<py::bytes>(), *table);
                            return Table{std::move(table)};
                        }));

    py::class_<BufferTable>(m, "BufferTable",
                            "A pH buffer file (.bcm): up to twelve buffers with their pKa values.")
        .def_static("load", &ReadBufferTable, py::arg("path"),
                    "Reads a pH buffer file, found as given or in the bundled data folder. Raises "
                    "FileNotFoundError when there is no such file.")
        .def_static("standard", &StandardBufferTable,
                    "The bundled file (buffers.bcm) of twelve laboratory buffers.")
        .def_property_readonly(
            "path", [](const BufferTable& b) { return ExportText(b.data->BufferFileName.view()); },
            "The file read.")
        .def_property_readonly(
            "buffers",
            [](const BufferTable& b) {
                py::list names;
                for (const TBufferSlot& slot : b.data->BufferSlots)
                    if (!slot.Name.view().empty()) names.append(NameText(slot.Name.view()));
                return names;
            },
            "The names of its buffers.")
        .def("__repr__",
             [](const BufferTable& b) {
                 return "<dedodiz.BufferTable " + ExportText(b.data->BufferFileName.view()) + ">";
             })
        .def(py::pickle([](const BufferTable& b) { return py::make_tuple(RecordBytes(*b.data)); },
                        [](const py::tuple& state) {
                            auto buffers = std::make_shared<BufferTool>();
                            RecordFromBytes(state[0].cast<py::bytes>(), *buffers);
                            return BufferTable{std::move(buffers)};
                        }));
}

}  // namespace dedodiz::python

PYBIND11_MODULE(_core, m) {
    namespace py = pybind11;
    using namespace dedodiz::python;
    m.doc() =
        R"(The compiled core of dedodiz. DEDODIZ32 for Python: free metal, total metal and chelator in metal buffer solutions.

Concentrations in mol/L, temperatures in C, ionic strength in N (equivalents per litre), constants
as log10 values. The constants table is bundled (Table.standard()); solve() gives one solution with
every number of the report, solve_many() many solutions as numpy arrays, sweep() the 2D and 3D
sweeps, evaluate() the Kd of every chelator, buffer_ranges() the useful range of pH buffers,
recipe() what to pipette, uncertainty() how far the results can be trusted. refine=True solves the
same equations to machine precision. Bad input raises ValueError with the program's message, a
floating-point fault FloatingPointError.)";
    m.attr("__version__") = std::string(dedodiz::kRelease);
    auto& fault = py::register_exception<FaultError>(m, "FloatingPointError", PyExc_FloatingPointError);
    fault.attr("__doc__") =
        "A floating-point fault (division by zero, overflow, invalid operation) stopped the calculation; the "
        "text is the program's \"ERROR\" message. A subclass of the built-in FloatingPointError.";
    const auto valueError = [&](auto tag, const char* name, const char* doc) {
        auto& error = py::register_exception<decltype(tag)>(m, name, PyExc_ValueError);
        error.attr("__doc__") = doc;
    };
    valueError(StoppedError(""), "StoppedError",
               "The calculation's own checks stopped it (constants missing for the chosen pair, total metal "
               "below free metal); the text is the program's \"ERROR\" message. A ValueError.");
    valueError(CannotBeMadeError(""), "CannotBeMadeError",
               "The recipe cannot be made as asked (the stocks too dilute for the volume, a level out of "
               "reach); the text says why. A ValueError.");
    valueError(FileFormatError(""), "FileFormatError",
               "A file was read but refused (not a constants file name, a table whose structure is broken); "
               "the text is the reader's reason. A ValueError.");
    BindTables(m);
    BindSolve(m);
    BindSolveMany(m);
    BindSweep(m);
    BindTools(m);
    BindRecipe(m);
    BindUncertainty(m);
    BindCalibration(m);
    m.def(
        "_set_data_folder", [](const std::filesystem::path& folder) { SetPackageDataFolder(folder); },
        py::arg("folder"),
        "The package's data folder (dedodiz/data), named by the package when it is imported.");
    // The classes are the package's: dedodiz.Result, as help() and pickle name them.
    for (const auto& [name, value] : m.attr("__dict__").cast<py::dict>())
        if (py::isinstance<py::type>(value)) value.attr("__module__") = "dedodiz";
}
