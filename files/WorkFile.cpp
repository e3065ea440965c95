// SPDX-License-Identifier: BSD-3-Clause
#include "files/WorkFile.h"

#include <cmath>
#include <filesystem>
#include <optional>

#include "engine/SafeFile.h"
#include "files/ByteIO.h"
#include "files/ConstantsFile.h"
#include "files/DataPaths.h"

namespace dedodiz {

namespace {

constexpr std::uintmax_t kWorkFreeSpace = 297;  // [bytes] wanted on the drive before saving

// Offsets inside the record.
constexpr std::size_t kOffName = 0;
constexpr std::size_t kNameCapacity = 80;
constexpr std::size_t kOffCalcType = 81;
constexpr std::size_t kOffChelMask = 83;
constexpr std::size_t kOffMetalMask = 85;
constexpr std::size_t kOffTemperature = 87;
constexpr std::size_t kOffPH = 95;
constexpr std::size_t kOffIonic = 103;
constexpr std::size_t kOffChelTotal = 111;
constexpr std::size_t kOffChelFree = 159;
constexpr std::size_t kOffMetalTotal = 207;
constexpr std::size_t kOffMetalFree = 255;

struct WorkRecord {
    std::string constantsName;
    std::uint16_t calcType = 0;
    std::uint16_t chelMask = 0;
    std::uint16_t metalMask = 0;
    double temperature = 0;
    double pH = 0;
    double ionic = 0;
    OneBased<double, 6> chelTotal, chelFree, metalTotal, metalFree;
};

OneBased<double, 6> GetSlots(const std::string& bytes, std::size_t offset) {
    OneBased<double, 6> values;
    for (int i = 1; i <= kSlots; ++i)
        values[i] = fileio::GetDouble(bytes, offset + 8 * static_cast<std::size_t>(i - 1));
    return values;
}

WorkRecord Decode(const std::string& bytes) {
    WorkRecord r;
    r.constantsName = fileio::GetShortString(bytes, kOffName, kNameCapacity);
    r.calcType = fileio::GetU16(bytes, kOffCalcType);
    r.chelMask = fileio::GetU16(bytes, kOffChelMask);
    r.metalMask = fileio::GetU16(bytes, kOffMetalMask);
    r.temperature = fileio::GetDouble(bytes, kOffTemperature);
    r.pH = fileio::GetDouble(bytes, kOffPH);
    r.ionic = fileio::GetDouble(bytes, kOffIonic);
    r.chelTotal = GetSlots(bytes, kOffChelTotal);
    r.chelFree = GetSlots(bytes, kOffChelFree);
    r.metalTotal = GetSlots(bytes, kOffMetalTotal);
    r.metalFree = GetSlots(bytes, kOffMetalFree);
    return r;
}

// A record this program never writes: a calculation type other than 0..2, or a value that is no finite
// number. Loading it would hand the run a state it cannot compute with, so it counts as a damaged file.
bool Plausible(const WorkRecord& r) {
    if (r.calcType > 2) return false;
    bool finite = std::isfinite(r.temperature) && std::isfinite(r.pH) && std::isfinite(r.ionic);
    for (int i = 1; i <= kSlots; ++i)
        finite = finite && std::isfinite(r.chelTotal[i]) && std::isfinite(r.chelFree[i]) &&
                 std::isfinite(r.metalTotal[i]) && std::isfinite(r.metalFree[i]);
    return finite;
}

}  // namespace

std::pair<std::uint16_t, std::uint16_t> PackSelection(const Selection& s) {
    unsigned chel = 0;
    unsigned metal = 0;
    for (int k = 1; k <= kTableChelators; ++k)
        if (s.ChelatorChosen[k]) chel |= 1U << static_cast<unsigned>(k - 1);
    for (int k = 1; k <= kTableMetals; ++k)
        if (s.MetalChosen[k]) metal |= 1U << static_cast<unsigned>(k - 1);
    return {static_cast<std::uint16_t>(chel), static_cast<std::uint16_t>(metal)};
}

void UnpackSelection(Selection& s, std::uint16_t chelMask, std::uint16_t metalMask) {
    for (int k = 1; k <= kTableChelators; ++k) s.ChelatorChosen[k] = ((chelMask >> (k - 1)) & 1U) != 0;
    for (int k = 1; k <= kTableMetals; ++k) s.MetalChosen[k] = ((metalMask >> (k - 1)) & 1U) != 0;
}

std::string WorkRecordBytes(std::string_view constantsFileName, const Selection& selection,
                            const Calculation& calc) {
    const TSolution& sol = calc.Solution;
    std::string out;
    out.reserve(kWorkRecordBytes);
    fileio::PutShortString(out, constantsFileName, kNameCapacity);
    fileio::PutU16(out, static_cast<std::uint16_t>(calc.CalcType));
    const auto [chelMask, metalMask] = PackSelection(selection);
    fileio::PutU16(out, chelMask);
    fileio::PutU16(out, metalMask);
    fileio::PutDouble(out, sol.Temperature);
    fileio::PutDouble(out, sol.PH);
    fileio::PutDouble(out, sol.IonicEquiv);
    for (const auto* values : {&sol.ChelTotal, &sol.ChelFree, &sol.MetalTotal, &sol.MetalFree})
        for (int i = 1; i <= kSlots; ++i) fileio::PutDouble(out, (*values)[i]);
    return out;
}

FileResult SaveWorkSettings(const std::string& path, std::string_view constantsFileName,
                            const Selection& selection, const Calculation& calc, MessageSink& messages) {
    const std::string bytes = WorkRecordBytes(constantsFileName, selection, calc);
    const std::optional<std::uintmax_t> free = FreeSpace(FullPath(path));
    if (!free || *free < kWorkFreeSpace) {
        messages.Message("NOT ENOUGH FREE SPACE ON DRIVE TO SAVE WORK", "ERROR");
        return {FileStatus::SaveFailed, "not enough free space on the drive for " + path};
    }
    std::string error;
    if (!WriteFileAtomically(path, bytes, &error)) {
        messages.Message(WithReason("Cannot Save Work Settings, File Error", error), "ERROR");
        return {FileStatus::SaveFailed, error};
    }
    return {};
}

namespace {

// Why the constants file named in a work file is no name to read, or nothing when it is one. Only
// the names of the two constants kinds are read; a name with control bytes (a record padded with
// NUL bytes, or damaged) names no file this program wrote. The name is shown with '?' for those bytes.
std::optional<std::string> UnusableConstantsName(const std::string& name) {
    std::string shown = name;
    bool control = false;
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
            control = true;
        }
    }
    if (name.empty()) return "the work file names no constants file";
    if (control) return "the constants file name in the work file holds control bytes: \"" + shown + "\"";
    if (ConstantsFileKind(name) == ConstantsKind::None)
        return "the work file names no constants file (.TCM or .CCM): " + name;
    return std::nullopt;
}

}  // namespace

WorkLoadResult LoadWorkSettings(const std::string& path, ConstantsTable& table, Selection& selection,
                                Calculation& calc, MessageSink& messages) {
    const auto refuse = [&](std::string_view text, const std::string& reason, int error = 0) {
        messages.Message(WithReason(text, reason), "ERROR");
        return WorkLoadResult{WorkLoadStatus::WorkFileRefused, reason, error};
    };
    // Exactly one whole record: 303 to 605 bytes, of which the first 303 are read.
    const FileBytes file = ReadFileBytes(path, 2 * kWorkRecordBytes - 1);
    if (file.missing) return refuse("File does not exist", file.result.reason, file.result.error);
    if (!file.ok())
        return refuse("Cannot Load Work Settings, File Error", file.result.reason, file.result.error);
    if (file.bytes.size() < kWorkRecordBytes)
        return refuse("Cannot Load Work Settings, File Error",
                      "a work file has " + std::to_string(kWorkRecordBytes) + " bytes, not " +
                          std::to_string(file.bytes.size()) + ": " + path);
    const WorkRecord r = Decode(file.bytes);
    if (!Plausible(r)) return refuse("Cannot Load Work Settings, File Error", "a damaged work file: " + path);

    NewCalculation(table, selection, calc);
    const auto constantsFailed = [&](const std::string& reason, int error = 0) {
        messages.Message(WithReason("Cannot Load Constants File", reason), "ERROR");
        return WorkLoadResult{WorkLoadStatus::ConstantsFailed, reason, error};
    };
    if (const auto unusable = UnusableConstantsName(r.constantsName)) return constantsFailed(*unusable);
    // The name stored in the file is kept; the file read is the one found for it, as given, beside the
    // work file or in the bundled data folder.
    const std::string found = FindDataFile(r.constantsName, std::filesystem::path(path).parent_path());
    const FileResult constants = ReadConstantsFile(table, found, messages);
    if (!constants.ok()) return constantsFailed(constants.reason, constants.error);
    calc.CalcType = static_cast<CalculationType>(r.calcType);
    UnpackSelection(selection, r.chelMask, r.metalMask);
    TSolution& sol = calc.Solution;
    sol.Temperature = r.temperature;
    sol.PH = r.pH;
    sol.IonicEquiv = r.ionic;
    // A metal without a valence digit is reported by BuildSelection and left out; the rest still loads.
    BuildSelection(table, selection, sol, messages);
    // Slot by slot: the concentrations belong to whatever BuildSelection put in each slot.
    sol.ChelTotal = r.chelTotal;
    sol.ChelFree = r.chelFree;
    sol.MetalTotal = r.metalTotal;
    sol.MetalFree = r.metalFree;
    table.ConstantsFileName = r.constantsName;
    return {WorkLoadStatus::Loaded, {}, 0};
}

}  // namespace dedodiz
