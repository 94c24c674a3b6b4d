// Satellite configuration file "kelvocc_<sid>.std": output-file templates, the orbit-file
// template and the yaw-Sun limit.
//
//   name_from_template  an output name from its template and the run suffix
//   rstdinp             reads the satellite's configuration ("standard input") file
#pragma once

#include <string>

#include "driver/context.hpp"

namespace kv::driver {

// Name formed from a template: its last 8 characters replaced by the run suffix and ext.
std::string name_from_template(const std::string& tmpl, const RunContext& ctx, const char* ext);

// The path of an input file named `name` within `folder` ("" for the working folder); an
// absolute name stays as it is.
std::string in_folder(const std::string& folder, const std::string& name);

// Reads the configuration file of ctx.sid from ctx.datadir into the template
// fields of ctx and ywsvlim. Throws RunError when the file is missing, is for another
// satellite, lacks tokens, holds a too-short template or a bad yaw-Sun limit.
void rstdinp(RunContext& ctx);

// As rstdinp, with the configuration file read from `folder` (the messages name the file
// alone).
void read_config(const std::string& folder, RunContext& ctx);

}  // namespace kv::driver
