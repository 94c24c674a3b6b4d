// openapi_document -- the OpenAPI 3 description of the JSON API, served at
// /api/v1/openapi.json. The run body's keys come from the API's own key table (api_keys).
#pragma once

#include <string>

namespace kv::serve {

// The description as JSON text.
std::string openapi_document();

}  // namespace kv::serve
