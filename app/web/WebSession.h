// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The web page's side of the calculator: the parts of the program state that the page works on, and the
// page's commands, each a JSON request answered by a JSON reply. The embind layer (Bindings.cpp) only
// passes texts and bytes across; everything here is plain C++ over the library's API and builds natively
// as well.
//
// Every reply is an object with "ok" (the command did what was asked) and "messages" (the message boxes
// the desktop program would have shown, in order, each {"caption", "text"}, a line break as "\n"); a
// request the page should never send (a malformed field, an unknown name) is answered with "ok": false
// and "error" instead. Names and numbers use the keys of the data exports ("calculation_type",
// "temperature_C", "total_M", ...), so that the page reads its results and its requests alike. A reply
// with a result also holds "json" and "csv": the texts of the data exports, byte for byte those of
// the command-line tool's --format json and --format csv, which the page offers for download and reads
// its tables from; "report" holds the report's lines.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/Export.h"
#include "core/Session.h"
#include "core/Sweep.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz::web {

using Json = JsonValue;

// The bundled data under the names that the page, its work files and its reports use for them.
inline constexpr std::string_view kBundledTableName = "data/standard.TCM";
inline constexpr std::string_view kBundledBuffersName = "data/buffers.bcm";

// What one page has loaded and computed: the Session, and the folder the user's files are kept in.
struct WebSession : Session {
    std::filesystem::path folder{};  // where the user's files are written; the page's current folder
    // Asked between blocks of samples of a long computation (the uncertainty): the page's worker counts
    // the calls to show its progress; true would end the computation early. Empty: never asked.
    std::function<bool()> stop{};
};

// A request that the page should not have sent: the reply says why.
class RequestError : public std::runtime_error {
  public:
    explicit RequestError(const std::string& what) : std::runtime_error(what) {}
};

// A new session whose user files go to folder (which must exist): nothing chosen, the default conditions,
// and the bundled constants table and pH buffer file, found as every front end finds data files.
void StartSession(WebSession& session, const std::filesystem::path& folder);

// The start of every reply.
Json Reply(bool ok, const ShownMessages& shown);

// The reply to an outcome of the Session: "ok" (it ran), "status" (its word), the messages, and for an
// outcome that did not run "error" (one line saying what went wrong, unless an "ERROR" message says it) and,
// for refused input, "refusals" [{"field", "kind", "name", "entry", "reason"}] so that the page marks each
// field.
Json Answer(const Outcome& outcome);

// A number of a request: a JSON number, or "NaN", "Infinity", "-Infinity" as JavaScript writes the
// numbers JSON cannot hold; anything else is a RequestError naming what.
double JsonNumber(const Json& value, const std::string& what);

// The "seed" of a request: digits (a text, since a JavaScript number holds no more than 2^53) or a whole
// number, 1 when missing; anything else is a RequestError.
std::uint64_t SeedOf(const Json& request);

// The list under key of a request (an empty one when missing or null), and the "name" of one of its
// entries; anything else is a RequestError naming the list.
const Json& ListOf(const Json& request, const char* key);
std::string EntryName(const Json& entry, const char* list);

// Report lines (bytes) as UTF-8 texts.
Json Lines(const std::vector<std::string>& lines);

// The solution a request describes (its "solution" object): "calculation_type", "temperature_C", "pH",
// "ionic_strength_N", "chelators" [{"name", "total_M"}], "metals" [{"name", "total_M", "free_M"}]. A
// missing number takes the program's default; a field of the wrong kind is a RequestError.
SolutionInput InputFromJson(const Json& solution);

// The session's solution in the same form, names from the table, for the page's form.
Json SolutionJson(const WebSession& session);

// Makes the request's "solution" the session's (Session::Describe); a request without one is a
// RequestError.
Outcome DescribeRequest(WebSession& session, const Json& request);

// The reply to a request that could not be carried out: "ok" false, the messages, and "error".
Json Refusal(const std::string& error, const ShownMessages& shown);

// Sets the session's precision from the request: "precision" (described, checked, exact) or "refine"
// (true: exact); neither: the default precision.
void ReadPrecision(WebSession& session, const Json& request);

// The single-point run of the session's calculation as it stands (after a work file was loaded): the
// reply of the run command.
Json RunSession(WebSession& session);

// The commands, by name. Each takes the request object and answers with the reply object.
Json TableCommand(WebSession& session, const Json& request);        // the table's and buffer file's names
Json RunCommand(WebSession& session, const Json& request);          // the single-point run
Json SweepCommand(WebSession& session, const Json& request);        // a 2D or 3D sweep
Json EvaluateCommand(WebSession& session, const Json& request);     // the chelator evaluation
Json BuffersCommand(WebSession& session, const Json& request);      // the pH buffer ranges
Json RecipeCommand(WebSession& session, const Json& request);       // what to pipette
Json UncertaintyCommand(WebSession& session, const Json& request);  // the spread of the results
Json CalibrateCommand(WebSession& session, const Json& request);  // purity, contamination, Kd of a titration
Json ListingCommand(WebSession& session, const Json& request);    // the constants listing
Json BundledCommand(WebSession& session, const Json& request);    // back to the bundled table
Json SaveWorkCommand(WebSession& session, const Json& request);   // a work file to download

// A file the user chose, by its name and bytes: a constants file (.TCM, .CCM), a work file (.STG, which
// is then run at the session's precision) or a pH buffer file (.bcm), written into the session's folder
// and read by the readers of the desktop program. A file that fails to load changes nothing; a work file
// whose table is not among the user's files says so in "needs_table" (the name) and "hint".
Json LoadUserFile(WebSession& session, std::string_view name, const std::string& bytes);

// The most bytes the reader of a file of this name takes (0: no file the page opens), so that the page
// refuses a larger file before reading it.
std::size_t FileLimit(std::string_view name);

// The bytes of a file of the session's folder (a work file just saved), empty when there is none.
std::string UserFileBytes(const WebSession& session, std::string_view name);

// The request text of command, answered as reply text (compact JSON). Never throws: a malformed or
// unknown request gets a reply with "error".
std::string HandleRequest(WebSession& session, std::string_view command, std::string_view requestText);

// The reply of a command as compact JSON text (invalid UTF-8, which no builder makes, is replaced).
std::string ReplyText(const Json& reply);

}  // namespace dedodiz::web
