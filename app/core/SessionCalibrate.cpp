// SPDX-License-Identifier: BSD-3-Clause
// The Session's calibration: the rules of the request, the pair set up from the table, the fit, and the
// constants table that carries its Kd.

#include <cmath>
#include <filesystem>

#include "core/Calibration.h"
#include "core/Session.h"
#include "core/SessionRecorder.h"
#include "files/ConstantsFile.h"
#include "files/DataPaths.h"

namespace dedodiz {

namespace {

Field CalibrationField(std::string text) {
    return {FieldKind::Option, std::move(text), -1};
}

// Whether two paths name one file (both existing), or the same path as written.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec) && !ec;
}

}  // namespace

Outcome Session::Calibrate(CalibrationRequest request, ReportPlacement placement) {
    Refusals refusals;
    CheckConditions(request.temperature, request.pH, request.ionic, refusals);
    if (TableIsEmpty(table())) {
        refusals.push_back({{FieldKind::Chelator, request.chelator, -1}, "no constants table is loaded"});
        return RefusedOutcome(std::move(refusals));
    }
    const int chelator = FindChelator(table(), request.chelator);
    const int metal = FindMetal(table(), request.metal);
    if (chelator == 0) refusals.push_back(UnknownName({FieldKind::Chelator, request.chelator, -1}, table()));
    if (metal == 0) refusals.push_back(UnknownName({FieldKind::Metal, request.metal, -1}, table()));
    if (request.bootstrap < 0 || request.bootstrap > kMaxBootstrapDraws)
        refusals.push_back({CalibrationField("bootstrap"), "must lie between 0 and " +
                                                               std::to_string(kMaxBootstrapDraws) + " (" +
                                                               std::to_string(request.bootstrap) + ")"});
    if (!refusals.empty()) return RefusedOutcome(std::move(refusals));

    Outcome o;
    Recorder rec(*this, o);
    // The pair alone, at the conditions, as a run would set it up: the session's own solution stays.
    Selection pair;
    pair.ChelatorChosen.fill(false);
    pair.MetalChosen.fill(false);
    pair.ChelatorChosen[chelator] = true;
    pair.MetalChosen[metal] = true;
    TSolution base;
    if (!BuildSelection(table(), pair, base, rec)) {
        o.status = Status::Stopped;
        o.reason = o.Message();
        return o;
    }
    base.Temperature = request.temperature;
    base.PH = request.pH;
    base.IonicEquiv = request.ionic;
    // The names as the table writes them.
    request.chelator = base.ChelName[1].str();
    request.metal = base.MetalName[1].str();
    auto fit = std::make_shared<Calibration>(dedodiz::Calibrate(base, request, rec));
    fit->chelatorNumber = chelator;
    fit->metalNumber = metal;
    fit->messages = o.messages;
    switch (fit->end) {
        case CalibrationEnd::Fitted:
            break;
        case CalibrationEnd::Fault:
            o.status = Status::Fault;
            return o;
        default:
            o.status = Status::Stopped;
            o.reason = fit->problem;
            o.converged = false;
            return o;
    }
    calibration_ = fit;
    if (placement == ReportPlacement::Replace) rec.ClearOutput();
    for (const std::string& line : CalibrationReport(*fit)) rec.AddOutputLine(line);
    rec.ShowOutput();
    return o;
}

Outcome Session::SaveCalibratedConstants(const std::string& path) {
    Outcome o;
    const auto refuse = [&](const std::string& why) {
        o.status = Status::FileError;
        o.path = path;
        o.reason = why;
        Recorder rec(*this, o);
        rec.Message("Did not save " + path + ": " + why, "ERROR");
        return o;
    };
    if (!calibration_->ok()) return refuse("no calibration has been fitted");
    const auto bundledTable = [&] {
        for (const std::filesystem::path& folder : DataFolders())
            if (SameFile(path, folder / kBundledConstantsName)) return true;
        return false;
    };
    if (IsBundledPath(path, DataFolders()) || bundledTable())
        return refuse("it is a table that comes with the program; write the calibrated table to a new file");
    if (!ConstantsFileName.empty() &&
        SameFile(path, FindDataFile(ConstantsFileName.view(), {}, DataFolders())))
        return refuse(
            "it is the table the calibration was computed with; write the calibrated table to a new "
            "file");
    ConstantsTable calibrated = CalibratedTable(table(), *calibration_);
    Recorder rec(*this, o);
    const FileResult written = WriteConstantsFile(calibrated, path, rec);
    if (written.ok()) return o;
    if (written.status != FileStatus::NotConstantsName)
        rec.Message(WithReason("Cannot save constants file " + path, written.reason), "ERROR");
    o.status = Status::FileError;
    o.path = path;
    o.reason = written.reason;
    o.error = written.error;
    return o;
}

}  // namespace dedodiz
