// SPDX-License-Identifier: BSD-3-Clause
// The user's own files on the page: a file chosen in the browser is written into the session's folder
// and read there by the readers of the desktop program; a work file to download is written there by its
// writer and its bytes handed back.

#include <cctype>
#include <fstream>
#include <iterator>

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

Json LoadConstants(WebSession& session, const std::string& base, const std::string& path) {
    MessageKeeper messages;
    ConstantsTable read = session.table;
    if (!ReadConstantsFile(read, path, messages).ok()) {
        messages.Message("Cannot Load Constants File", "ERROR");
        return WithTable(session, Reply(false, messages.Messages()));
    }
    read.ConstantsFileName = base;  // the page's folder is its current folder: the name alone finds it
    session.table = read;
    return WithTable(session, Reply(true, messages.Messages()));
}

// Loads the work file and runs it, as File > Work Load does, refined when the page asks for exact results.
Json LoadWork(WebSession& session, const std::string& path, Precision precision) {
    MessageKeeper messages;
    const WorkLoadResult loaded =
        LoadWorkSettings(path, session.table, session.selection, session.calc, messages);
    if (loaded.Reset()) ResetSweepData(session.sweep);
    if (!loaded.Loaded()) {
        Json reply = WithTable(session, Reply(false, messages.Messages()));
        reply["solution"] = SolutionJson(session);
        return reply;
    }
    Json solution = SolutionJson(session);  // as loaded, before the run writes its results into it
    Json reply = WithTable(session, RunSession(session, precision));
    Json shown = Reply(true, messages.Messages())["messages"];
    for (const Json& m : reply["messages"]) shown.push_back(m);
    reply["messages"] = shown;
    reply["solution"] = solution;
    return reply;
}

Json LoadBuffers(WebSession& session, const std::string& base, const std::string& path) {
    MessageKeeper messages;
    const BufferReadResult read = ReadBufferFile(session.buffers, path, messages);
    if (read.file.ok()) session.buffers.BufferFileName = base;
    return WithTable(session, Reply(read.file.ok(), messages.Messages()));
}

}  // namespace

Json LoadUserFile(WebSession& session, std::string_view name, const std::string& bytes, Precision precision) {
    const std::string base = FileNameOf(name);
    const std::string ext = ExtensionOf(base);
    const bool constants = ext == "TCM" || ext == "CCM";
    if (!constants && ext != "STG" && ext != "BCM")
        return Refusal(
            "not a constants file (.TCM, .CCM), work file (.STG) or pH buffer file (.bcm): " + base, {});
    const std::string path = (session.folder / base).string();
    std::string error;
    if (!WriteFileAtomically(path, bytes, &error)) return Refusal("cannot keep " + base + ": " + error, {});

    Json reply = constants      ? LoadConstants(session, base, path)
                 : ext == "STG" ? LoadWork(session, path, precision)
                                : LoadBuffers(session, base, path);
    reply["kind"] = constants ? "constants" : ext == "STG" ? "work" : "buffers";
    reply["file"] = ExportText(base);
    return reply;
}

Json SaveWorkCommand(WebSession& session, const Json& request) {
    // The extension is always ".STG", as the work-save command forces it.
    std::string base = FileNameOf(request.value("name", ""));
    if (const std::size_t dot = base.find_last_of('.'); dot != std::string::npos && dot > 0) base.resize(dot);
    base += ".STG";
    MessageKeeper messages;
    const DescribeResult described = DescribeRequest(session, request, messages);
    if (!described.ok()) return Refusal(described.error, messages.Messages());
    const FileResult saved =
        SaveWorkSettings((session.folder / base).string(), session.table.ConstantsFileName.view(),
                         session.selection, session.calc, messages);
    Json reply = Reply(saved.ok(), messages.Messages());
    reply["file"] = ExportText(base);
    return reply;
}

std::string UserFileBytes(const WebSession& session, std::string_view name) {
    std::ifstream in(session.folder / FileNameOf(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace dedodiz::web
