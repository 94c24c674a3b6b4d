// File downloads of the runs.
#pragma once

#include <filesystem>

#include "serve/http.hpp"

namespace kv::serve {

// The answer streaming the file p: its Content-Type by extension (text/csv,
// application/postscript, application/fits, application/pdf, image/png, ...) and a
// Content-Disposition naming it.
Response download(const std::filesystem::path& p);

}  // namespace kv::serve
