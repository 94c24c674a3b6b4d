#include "serve/replies.hpp"

#include <fstream>

#include "serve/pages.hpp"

namespace kv::serve {
namespace {

Response busy(Response r) {
  r.headers.emplace_back("Retry-After", "5");
  return r;
}

}  // namespace

Response page(int status, std::string body) {
  Response r;
  r.status = status;
  r.type = "text/html; charset=utf-8";
  r.body = std::move(body);
  return r;
}

Response refused(JobQueue::Admit a, bool api) {
  const std::string m = a == JobQueue::Admit::stopping ? "the server is stopping"
                                                       : "too many runs at once; try again shortly";
  return busy(api ? json_error(503, m) : page(503, error_page(503, m)));
}

Response with_status(Response r, int status) {
  r.status = status;
  if (status == 503) r = busy(std::move(r));
  return r;
}

std::optional<nlohmann::ordered_json> read_json(const std::filesystem::path& p) {
  std::ifstream in(p);
  nlohmann::ordered_json j = nlohmann::ordered_json::parse(in, nullptr, false);
  if (j.is_discarded()) return std::nullopt;
  return j;
}

std::optional<nlohmann::ordered_json> run_json(const std::filesystem::path& dir) {
  std::error_code ec;
  for (const char* name : {kRunJson, kCatalogueJson, kSkyMapJson})
    if (std::filesystem::exists(dir / name, ec)) return read_json(dir / name);
  return std::nullopt;
}

bool type_is(const Request& req, std::string_view want) {
  const std::string t = req.header("Content-Type");
  return t.rfind(want, 0) == 0 && (t.size() == want.size() || t[want.size()] == ';');
}

}  // namespace kv::serve
