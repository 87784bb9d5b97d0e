#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "common/httplib_fwd.h"

namespace qr_backend {

struct ApiContext;
class FaultInjector;

// The test and operator API under "/admin/" on the API port: loopback callers only, each
// request carrying "X-QR-Admin-Token: <the token printed at start>". Answers are plain JSON with
// HTTP status codes (no envelope): 200 with the object, or 4xx/5xx with {"error": "..."}.
class AdminApi {
 public:
  AdminApi(ApiContext& context, FaultInjector& faults, std::string admin_token)
      : context_(context), faults_(faults), admin_token_(std::move(admin_token)) {}

  void Register(httplib::Server& server);

 private:
  using Handler = nlohmann::json (AdminApi::*)(const httplib::Request&, const nlohmann::json&,
                                               int* status);
  void Route(httplib::Server& server, const char* method, const char* pattern, Handler handler);
  bool Allowed(const httplib::Request& request) const;

  nlohmann::json CreateUser(const httplib::Request& request, const nlohmann::json& body,
                            int* status);
  nlohmann::json GetUser(const httplib::Request& request, const nlohmann::json& body, int* status);
  nlohmann::json SetQuota(const httplib::Request& request, const nlohmann::json& body, int* status);
  nlohmann::json GetRecord(const httplib::Request& request, const nlohmann::json& body,
                           int* status);
  nlohmann::json SeedRecords(const httplib::Request& request, const nlohmann::json& body,
                             int* status);
  nlohmann::json AttachMeeting(const httplib::Request& request, const nlohmann::json& body,
                               int* status);
  nlohmann::json AddParticipants(const httplib::Request& request, const nlohmann::json& body,
                                 int* status);
  nlohmann::json RecordView(const httplib::Request& request, const nlohmann::json& body,
                            int* status);
  nlohmann::json AddNotice(const httplib::Request& request, const nlohmann::json& body,
                           int* status);
  nlohmann::json InjectPush(const httplib::Request& request, const nlohmann::json& body,
                            int* status);
  nlohmann::json GetSettings(const httplib::Request& request, const nlohmann::json& body,
                             int* status);
  nlohmann::json UpdateSettings(const httplib::Request& request, const nlohmann::json& body,
                                int* status);
  nlohmann::json ListFaults(const httplib::Request& request, const nlohmann::json& body,
                            int* status);
  nlohmann::json AddFault(const httplib::Request& request, const nlohmann::json& body, int* status);
  nlohmann::json ClearFaults(const httplib::Request& request, const nlohmann::json& body,
                             int* status);

  ApiContext& context_;
  FaultInjector& faults_;
  std::string admin_token_;
};

}  // namespace qr_backend
