// SPDX-License-Identifier: BSD-3-Clause
// The user's own files on the page: a file chosen in the browser is written into the session's folder
// and read there by the readers of the desktop program; a work file to download is written there by its
// writer and its bytes handed back.

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <memory>

#include "buffers/BufferFile.h"
#include "engine/SafeFile.h"
#include "files/ConstantsFile.h"
#include "files/WorkFile.h"
#include "web/WebSession.h"

namespace dedodiz::web {

namespace {

// The last component of a name given on any system; names that are no file of the folder are refused.
std::string FileNameOf(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    std::string base(slash == std::string_view::npos ? name : name.substr(slash + 1));
    if (base.empty() || base == "." || base == "..")
        throw RequestError("not a file name: \"" + std::string(name) + "\"");
    return base;
}

// The extension of a name in capitals ("TCM"), empty when it has none.
std::string ExtensionOf(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

Json WithTable(WebSession& session, Json reply) {
    const Json table = TableCommand(session, Json::object());
    for (const auto& [key, value] : table.items())
        if (key != "ok" && key != "messages") reply[key] = value;
    return reply;
}

// The page's folder is its current folder: the name alone finds a file kept there.
Json LoadConstants(WebSession& session, const std::string& base) {
    return WithTable(session, Answer(session.LoadConstants(base)));
}

// The constants file a work file names: its record begins with the name as a length byte and the text.
std::string TableNamedBy(const std::string& bytes) {
    if (bytes.empty()) return {};
    const std::size_t length = static_cast<unsigned char>(bytes[0]);
    return bytes.substr(1, std::min(length, bytes.size() - 1));
}

// Loads the work file and runs it, as File > Work Load does, at the session's precision. A work file that
// cannot be loaded (or whose constants file cannot be found) changes nothing of the page's session.
Json LoadWork(WebSession& session, const std::string& base) {
    auto loading = std::make_unique<WebSession>(session);
    const Outcome loaded = loading->LoadWork(base);
    if (!loaded.Ran()) {
        Json reply = WithTable(session, Answer(loaded));
        // The page has only the files the user chose: a table that was not among them is asked for.
        const std::string table = TableNamedBy(UserFileBytes(session, base));
        const bool constantsFailed = std::any_of(
            loaded.messages.begin(), loaded.messages.end(),
            [](const ShownMessage& m) { return m.text.rfind("Cannot Load Constants File", 0) == 0; });
        if (constantsFailed && !table.empty()) {
            reply["needs_table"] = ExportText(std::filesystem::path(table).filename().string());
            reply["hint"] = "the work file names " + ExportText(table) + ": open that table too";
        }
        return reply;
    }
    session = *loading;
    ResetSweepData(session.sweep());
    Json solution = SolutionJson(session);  // as loaded, before the run writes its results into it
    Json reply = WithTable(session, RunSession(session));
    Json shown = Answer(loaded)["messages"];
    for (const Json& m : reply["messages"]) shown.push_back(m);
    reply["messages"] = shown;
    reply["solution"] = solution;
    return reply;
}

Json LoadBuffers(WebSession& session, const std::string& base) {
    return WithTable(session, Answer(session.LoadBuffers(base)));
}

}  // namespace

Json LoadUserFile(WebSession& session, std::string_view name, const std::string& bytes) {
    const std::string base = FileNameOf(name);
    const std::string ext = ExtensionOf(base);
    const bool constants = ext == "TCM" || ext == "CCM";
    if (!constants && ext != "STG" && ext != "BCM")
        return Refusal(
            "not a constants file (.TCM, .CCM), work file (.STG) or pH buffer file (.bcm): " + base, {});
    const std::string path = (session.folder / base).string();
    // A file of the same name opened before stays as it was when the new one is refused, so that a work
    // file that names it still finds the table the page shows.
    std::error_code missing;
    const bool had = std::filesystem::is_regular_file(path, missing);
    const std::string before = had ? UserFileBytes(session, base) : std::string();
    std::string error;
    if (!WriteFileAtomically(path, bytes, &error)) return Refusal("cannot keep " + base + ": " + error, {});
    Json reply = constants      ? LoadConstants(session, base)
                 : ext == "STG" ? LoadWork(session, base)
                                : LoadBuffers(session, base);
    if (!reply.value("ok", false)) {
        if (had) {
            (void)WriteFileAtomically(path, before, &error);
        } else {
            std::filesystem::remove(path, missing);
        }
    }
    reply["kind"] = constants ? "constants" : ext == "STG" ? "work" : "buffers";
    reply["file"] = ExportText(base);
    return reply;
}

Json SaveWorkCommand(WebSession& session, const Json& request) {
    // The extension is always ".STG", as the work-save command forces it.
    std::string base = FileNameOf(request.value("name", ""));
    if (const std::size_t dot = base.find_last_of('.'); dot != std::string::npos && dot > 0) base.resize(dot);
    base += ".STG";
    const Outcome described = DescribeRequest(session, request);
    if (!described.Ran()) return Answer(described);
    Json reply = Answer(session.SaveWork((session.folder / base).string()));
    reply["file"] = ExportText(base);
    return reply;
}

std::size_t FileLimit(std::string_view name) {
    const std::string ext = ExtensionOf(FileNameOf(name));
    if (ext == "STG") return 2 * kWorkRecordBytes - 1;
    if (ext == "BCM") return kBufferFileBytes;
    if (ext == "TCM" || ext == "CCM")
        return ConstantsFileKind(name) == ConstantsKind::Text ? kConstantsTextBytes : kConstantsBinaryBytes;
    return 0;
}

std::string UserFileBytes(const WebSession& session, std::string_view name) {
    std::ifstream in(session.folder / FileNameOf(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace dedodiz::web
