// File downloads of the runs: their own types and a Content-Disposition.
#include "serve/download.hpp"

#include <utility>

namespace kv::serve {

Response download(const std::filesystem::path& p) {
  static const std::pair<const char*, const char*> kTypes[] = {
      {".csv", "text/csv"},
      {".ps", "application/postscript"},
      {".fits", "application/fits"},
      {".pdf", "application/pdf"},
      {".png", "image/png"},
      {".json", "application/json"},
      {".txt", "text/plain; charset=utf-8"},
      {".svg", "image/svg+xml"}};
  Response r;
  r.file = p.string();
  r.type = "application/octet-stream";
  for (const auto& [ext, type] : kTypes)
    if (p.extension() == ext) r.type = type;
  r.headers.emplace_back("Content-Disposition",
                         "attachment; filename=\"" + p.filename().string() + "\"");
  return r;
}

}  // namespace kv::serve
