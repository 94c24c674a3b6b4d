// The answers the routes share: pages, refusals of a full queue, and the reading of a run's
// JSON document.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "serve/http.hpp"
#include "serve/jobs.hpp"

namespace kv::serve {

// An HTML page with this status.
Response page(int status, std::string body);
// The answer to a run that could not start: 503 with Retry-After, for a full queue or a
// stopping server, as JSON (api) or a page.
Response refused(JobQueue::Admit a, bool api);
// r with this status (and Retry-After for 503).
Response with_status(Response r, int status);
// A JSON file, nullopt when it cannot be read or parsed.
std::optional<nlohmann::ordered_json> read_json(const std::filesystem::path& p);
// The JSON documents a run may write: a single run's, a catalogue's, a sky map's.
inline constexpr const char* kRunJson = "run.json";
inline constexpr const char* kCatalogueJson = "catalogue.json";
inline constexpr const char* kSkyMapJson = "skymap.json";
// The JSON document of the run in folder dir (the first of those there), nullopt for none.
std::optional<nlohmann::ordered_json> run_json(const std::filesystem::path& dir);
// Whether the request's Content-Type is `want` (parameters after ';' allowed).
bool type_is(const Request& req, std::string_view want);

}  // namespace kv::serve
