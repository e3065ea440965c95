// SPDX-License-Identifier: BSD-3-Clause
// The page's commands by name, and the one place where a request's text is read and a reply's written.

#include <map>

#include "web/WebSession.h"

namespace dedodiz::web {

namespace {

using Command = Json (*)(WebSession&, const Json&);

// Every command the page sends. A new feature adds its handler here and its section to the page.
const std::map<std::string_view, Command>& Commands() {
    static const std::map<std::string_view, Command> commands{
        {"table", &TableCommand},         {"run", &RunCommand},
        {"sweep", &SweepCommand},         {"evaluate", &EvaluateCommand},
        {"buffers", &BuffersCommand},     {"listing", &ListingCommand},
        {"bundled", &BundledCommand},     {"save_work", &SaveWorkCommand},
        {"recipe", &RecipeCommand},       {"uncertainty", &UncertaintyCommand},
        {"calibrate", &CalibrateCommand},
    };
    return commands;
}

}  // namespace

std::string ReplyText(const Json& reply) {
    return reply.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string HandleRequest(WebSession& session, std::string_view command, std::string_view requestText) {
    const auto found = Commands().find(command);
    if (found == Commands().end())
        return ReplyText(Refusal("unknown command \"" + ExportText(command) + "\"", {}));
    try {
        const Json request = requestText.empty() ? Json::object() : Json::parse(requestText);
        if (!request.is_object()) throw RequestError("a request is a JSON object");
        return ReplyText(found->second(session, request));
    } catch (const RequestError& e) {
        return ReplyText(Refusal(e.what(), {}));
    } catch (const Json::exception& e) {
        return ReplyText(Refusal(std::string("malformed request: ") + e.what(), {}));
    }
}

}  // namespace dedodiz::web
