// SPDX-License-Identifier: BSD-3-Clause
// The calculator's bindings for the page (embind): a session, its JSON commands, and the bytes of the
// user's files. The session's folder is the current folder of the module's memory file system, so that
// the names of the user's files and of the bundled data read as they do beside a work file on disk.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <filesystem>
#include <string>

#include "web/WebSession.h"

namespace {

using dedodiz::web::WebSession;
using emscripten::val;

constexpr const char* kFolder = "/files";

class Session {
  public:
    Session() {
        std::error_code ec;
        std::filesystem::create_directories(kFolder, ec);
        std::filesystem::current_path(kFolder, ec);
        dedodiz::web::StartSession(session_, kFolder);
        // In the page's worker, every block of samples done is told to the page, which shows the
        // progress; the page stops a computation by ending the worker.
        session_.stop = [blocks = 0]() mutable {
            ++blocks;
            static const bool inWorker = val::global("document").isUndefined();
            if (inWorker) {
                val message = val::object();
                message.set("blocks", blocks);
                val::global("postMessage")(message);
            }
            return false;
        };
    }

    // A command of WebCommands.cpp: request and reply are JSON texts.
    std::string Call(const std::string& command, const std::string& request) {
        return dedodiz::web::HandleRequest(session_, command, request);
    }

    // A file the user chose: its name and its bytes (a Uint8Array); a work file is run at the precision
    // named ("described", "checked" or "exact").
    std::string LoadFile(const std::string& name, const val& bytes, const std::string& precision) {
        const std::vector<std::uint8_t> data = emscripten::convertJSArrayToNumberVector<std::uint8_t>(bytes);
        const std::string text(data.begin(), data.end());
        try {
            dedodiz::web::ReadPrecision(session_, {{"precision", precision}});
            return dedodiz::web::ReplyText(dedodiz::web::LoadUserFile(session_, name, text));
        } catch (const dedodiz::web::RequestError& e) {
            return dedodiz::web::ReplyText(dedodiz::web::Refusal(e.what(), {}));
        }
    }

    // The bytes of a file of the session's folder as a new Uint8Array.
    val FileBytes(const std::string& name) {
        std::string bytes;
        try {
            bytes = dedodiz::web::UserFileBytes(session_, name);
        } catch (const dedodiz::web::RequestError&) {
            // not a file name of the folder: no bytes
        }
        const std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
        return val::global("Uint8Array").new_(emscripten::typed_memory_view(data.size(), data.data()));
    }

  private:
    WebSession session_;
};

}  // namespace

EMSCRIPTEN_BINDINGS(dedodiz32) {
    emscripten::class_<Session>("Session")
        .constructor<>()
        .function("call", &Session::Call)
        .function("loadFile", &Session::LoadFile)
        .function("fileBytes", &Session::FileBytes);
}
