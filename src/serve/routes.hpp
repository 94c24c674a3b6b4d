// Routes -- what kelvis serve answers: the pages, the JSON API and the files of the runs.
// Requests are checked before anything runs: the Host name (on loopback), the type of the
// body, the form token and Origin of a browser's form; runs start by POST only.
#pragma once

#include <string>

#include "serve/fields.hpp"
#include "serve/http.hpp"
#include "serve/runs.hpp"

namespace kv::serve {

class Routes {
 public:
  // runs: the run store; host: the address listened on.
  Routes(Runs& runs, std::string host);
  void set_port(int port) { port_ = port; }
  void handle(const Request& req, Reply reply);

 private:
  void run_form(const Request& req, Reply reply);
  void api_run(const Request& req, Reply reply);
  void api_run_get(const std::string& id, Reply reply);
  void run_page(const std::string& id, Reply reply);
  void file(const std::string& id, const std::string& name, bool api, Reply reply);
  void catalogue(const Request& req, Reply reply);
  void sky(const Request& req, Reply reply);
  void catalogue_form(const Request& req, Reply reply);
  Response long_run_answer(const std::string& text, std::vector<std::string> options,
                           std::pair<std::string, std::string> upload, bool api);
  bool host_ok(const Request& req) const;
  bool form_ok(const Request& req, const Form& form) const;
  // The fields of a browser form post: false, with the refusal sent, when it is not an
  // urlencoded form of this server's own page.
  bool browser_form(const Request& req, Form& form, const Reply& reply) const;

  Runs& runs_;
  std::string host_, token_;
  int port_ = 0;
};

}  // namespace kv::serve
