// The HTML pages of the server: the run form, a run's result, the sky-map form and page,
// and the page of an error. Every value shown is escaped; no page holds a script, and the
// style comes from the server's own /style.css.
#pragma once

#include <ctime>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "serve/fields.hpp"
#include "serve/runs.hpp"

namespace kv::serve {

extern const char* const kStyleSheet;  // the text of /style.css

std::string html(const std::string& s);
// The run form, with the fields as given, an error above it ("" for none), the form token,
// every field fault beside its field, and the yaw-Sun limit of the configuration shown
// read-only (when known).
std::string form_page(const RunFields& f, const std::string& error, const std::string& token,
                      const std::vector<FieldFault>& faults = {},
                      std::optional<double> yaw_sun = std::nullopt);
// A run's result: totals, windows, plot and files (the PDF, made when first asked for).
std::string result_page(const std::string& id, const nlohmann::ordered_json& doc,
                        const std::vector<std::string>& files);
// The sky-map and catalogue forms, with the period and limits of f (and the CSV text).
std::string sky_form_page(const std::string& token, const std::string& error,
                          const RunFields& f = default_fields(std::time(nullptr)));
std::string catalogue_form_page(const std::string& token, const std::string& error,
                                const RunFields& f, const std::string& csv);
// The page of a long run not yet ended: its state and, for a catalogue or sky map that has
// begun its sources, how many are done; refreshed every 3 s (meta refresh, no script).
std::string pending_page(const std::string& id, const std::string& state,
                         std::optional<Progress> progress = std::nullopt);
// The page of an ended catalogue run: its files.
std::string catalogue_page(const std::string& id, const std::vector<std::string>& files);
std::string sky_page(const std::string& id, const std::vector<std::string>& files);
std::string error_page(int status, const std::string& message);

}  // namespace kv::serve
