// The long runs of the server: catalogues (the API and the catalogue form) and sky maps (the
// sky-map form). Each is queued at once and answered with its address; its page refreshes
// itself and tells the sources done so far, and the API's GET tells its state.
#include <nlohmann/json.hpp>
#include <sstream>

#include "common/run_error.hpp"
#include "common/types.hpp"
#include "driver/catalogue.hpp"
#include "serve/pages.hpp"
#include "serve/replies.hpp"
#include "serve/routes.hpp"

namespace kv::serve {
namespace {

using json = nlohmann::ordered_json;
constexpr const char* kSid = satellite_id;
constexpr const char* kUpload = "catalogue.csv";  // the catalogue's name in the run folder

std::vector<std::string> catalogue_options() {
  return {"--catalogue", kUpload,       "--json",    kCatalogueJson,
          "--progress",  kProgressFile, "--threads", "1"};
}

// Why the batch program would refuse this catalogue (every bad row, as it says it), "" when
// it reads.
std::string catalogue_fault(const std::string& csv) {
  std::istringstream in(csv);
  try {
    driver::read_catalogue(in, kUpload);
  } catch (const RunError& e) {
    return failure_line(e);
  }
  return "";
}

}  // namespace

Response Routes::long_run_answer(const std::string& text, std::vector<std::string> options,
                                 std::pair<std::string, std::string> upload, bool api) {
  const auto [a, id] = runs_.submit_long_run(text, std::move(options), std::move(upload));
  if (a != JobQueue::Admit::queued) return refused(a, api);
  Response res;
  if (api) {
    res.status = 202;
    res.type = "application/json";
    res.body = json{{"run_id", id}, {"state", "queued"}}.dump() + "\n";
    res.headers.emplace_back("Location", "/api/v1/runs/" + id);
  } else {
    res = page(303, "");
    res.headers.emplace_back("Location", "/runs/" + id);
  }
  return res;
}

// A catalogue from the API: the CSV as the body, the period and limits in the query.
void Routes::catalogue(const Request& req, Reply reply) {
  if (!type_is(req, "text/csv")) return reply(json_error(415, "the body must be text/csv"));
  Form q;
  if (!parse_form(req.query, q)) return reply(json_error(400, "the query is not well encoded"));
  FieldError err;
  const std::string text = request_text(query_fields(q), kSid, &err);
  if (text.empty()) return reply(json_error(err.status, err.message));
  if (const std::string fault = catalogue_fault(req.body); !fault.empty())
    return reply(json_error(422, fault));
  reply(long_run_answer(text, catalogue_options(), {kUpload, req.body}, true));
}

// The sky map of a period, from the sky-map form (NSIDE 1 to 16 here).
void Routes::sky(const Request& req, Reply reply) {
  Form form;
  if (!browser_form(req, form, reply)) return;
  const std::string nside = form.count("nside") ? form.at("nside") : "8";
  if (nside != "1" && nside != "2" && nside != "4" && nside != "8" && nside != "16")
    return reply(page(400, sky_form_page(token_, "nside: 1, 2, 4, 8 or 16", query_fields(form))));
  FieldError err;
  const std::string text = request_text(query_fields(form), kSid, &err);
  if (text.empty())
    return reply(page(err.status, sky_form_page(token_, err.message, query_fields(form))));
  reply(long_run_answer(
      text,
      {"--sky-map", nside, "--json", kSkyMapJson, "--progress", kProgressFile, "--threads", "1"},
      {}, false));
}

// A catalogue from the catalogue form: a CSV file chosen (used first) or the text pasted.
void Routes::catalogue_form(const Request& req, Reply reply) {
  Form form;
  if (!browser_form(req, form, reply)) return;
  const RunFields f = query_fields(form);
  std::string csv = form.count("csv") ? form.at("csv") : "";
  if (const auto file = form.find("csv_file"); file != form.end() && !file->second.empty())
    csv = file->second;
  FieldError err;
  const std::string text = request_text(f, kSid, &err);
  if (text.empty())
    return reply(page(err.status, catalogue_form_page(token_, err.message, f, csv)));
  if (csv.find_first_not_of(" \t\r\n") == std::string::npos)
    return reply(page(400, catalogue_form_page(token_, "csv: the catalogue is empty", f, csv)));
  if (const std::string fault = catalogue_fault(csv); !fault.empty())
    return reply(page(422, catalogue_form_page(token_, "csv: " + fault, f, csv)));
  reply(long_run_answer(text, catalogue_options(), {kUpload, csv}, false));
}

}  // namespace kv::serve
