#include "server/backend_app.h"

#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <limits>

#include "api/access_policy.h"
#include "api/api_context.h"
#include "api/api_router.h"
#include "api/jump_links.h"
#include "api/local_upload_api.h"
#include "api/message_api.h"
#include "api/player_page.h"
#include "api/push_stream_api.h"
#include "api/record_capacity_api.h"
#include "api/record_control_api.h"
#include "api/record_list_api.h"
#include "api/record_rename_api.h"
#include "api/request_verifier.h"
#include "api/share_api.h"
#include "api/title_review_settler.h"
#include "common/clock.h"
#include "common/crypto.h"
#include "common/database.h"
#include "common/file_util.h"
#include "common/log.h"
#include "objects/object_authority.h"
#include "objects/object_store.h"
#include "objects/object_store_server.h"
#include "push/push_hub.h"
#include "server/admin_api.h"
#include "server/fault_injector.h"
#include "server/periodic_task.h"
#include "storage/meeting_store.h"
#include "storage/nonce_store.h"
#include "storage/notice_store.h"
#include "storage/record_listing.h"
#include "storage/record_store.h"
#include "storage/runtime_settings.h"
#include "storage/schema.h"
#include "storage/settings_store.h"
#include "storage/share_store.h"
#include "storage/title_review_store.h"
#include "storage/user_store.h"
#include "storage/view_store.h"

namespace qr_backend {

namespace {

constexpr char kDemoUid[] = "demo";
constexpr size_t kMaxApiBody = 8 << 20;
constexpr std::chrono::milliseconds kReviewTick{500};

std::string MakeServerKey() { return RandomHex(32); }

}  // namespace

BackendApp::BackendApp(BackendConfig config)
    : config_(std::move(config)), admin_token_(RandomHex(16)) {}

BackendApp::~BackendApp() {
  Stop();
  Wait();
}

bool BackendApp::OpenStorage(std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(config_.data_dir, ec);
  if (ec) {
    *error = "cannot create " + config_.data_dir + ": " + ec.message();
    return false;
  }
  clock_ = std::make_unique<SystemClock>();
  db_ = Database::Open(config_.data_dir + "/backend.db", error);
  if (!db_) return false;
  if (!MigrateSchema(*db_)) {
    *error = "cannot bring the database schema up to date";
    return false;
  }
  settings_ = std::make_unique<SettingsStore>(*db_);
  const auto key = settings_->GetOrCreate("server_key", &MakeServerKey);
  if (!key) {
    *error = "cannot read or store the server key";
    return false;
  }
  server_key_ = *key;
  users_ = std::make_unique<UserStore>(*db_, *clock_);
  nonces_ = std::make_unique<NonceStore>(*db_);
  records_ = std::make_unique<RecordStore>(*db_);
  listings_ = std::make_unique<RecordListing>(*db_);
  reviews_ = std::make_unique<TitleReviewStore>(*db_);
  runtime_ = std::make_unique<RuntimeSettings>(*settings_, config_.runtime);
  meetings_ = std::make_unique<MeetingStore>(*db_);
  shares_ = std::make_unique<ShareStore>(*db_);
  views_ = std::make_unique<ViewStore>(*db_);
  notices_ = std::make_unique<NoticeStore>(*db_);
  access_ = std::make_unique<AccessPolicy>(*shares_, *meetings_, *users_, *clock_);
  objects_ = std::make_unique<ObjectStore>(*db_, *clock_, config_.data_dir + "/objects");
  if (!objects_->Init(error)) return false;
  authority_ = std::make_unique<ObjectAuthority>(*db_, *clock_, server_key_);
  push_ = std::make_unique<PushHub>(*db_, *clock_, config_.push_retention_seconds);
  faults_ = std::make_unique<FaultInjector>();
  verifier_ = std::make_unique<RequestVerifier>(*users_, *nonces_, *clock_);

  if (!users_->FindByUid(kDemoUid)) {
    User demo{kDemoUid, "qr-demo", "Demo User", "", "", "", std::nullopt};
    if (!users_->Create(demo, error)) return false;
    LogInfo("created the demo user \"demo\"");
  }
  return true;
}

void BackendApp::Configure(httplib::Server& server, const std::string& fault_scope,
                           const std::string& server_header, int threads, size_t max_body) {
  server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server.set_payload_max_length(max_body);
  // Uploaders send hundreds of parts over one connection; do not make them reconnect every 5.
  server.set_keep_alive_max_count(1000);
  // Headers and body go out in separate writes; with Nagle on, the body waits for the client's
  // delayed ACK (some 40 ms) on every kept-alive request.
  server.set_tcp_nodelay(true);
  server.set_pre_routing_handler([this, fault_scope](const httplib::Request& request,
                                                     httplib::Response& response) {
    // The admin API stays reachable whatever a test armed.
    if (request.path.rfind("/admin/", 0) == 0) return httplib::Server::HandlerResponse::Unhandled;
    const auto fault = faults_->Take(fault_scope, request.method, request.path);
    if (!fault) return httplib::Server::HandlerResponse::Unhandled;
    LogInfo("fault " + std::to_string(fault->id) + " hits " + request.method + " " + request.path);
    switch (fault->kind) {
      case FaultKind::kDelay:
        std::this_thread::sleep_for(std::chrono::milliseconds(fault->delay_ms));
        return httplib::Server::HandlerResponse::Unhandled;
      case FaultKind::kWrongServer:
        response.set_header("Server", "not-" + fault_scope + "-server");
        return httplib::Server::HandlerResponse::Unhandled;
      case FaultKind::kHttp500:
        response.status = 500;
        response.set_header("Connection", "close");
        response.set_content(R"({"error":"InjectedFault"})", "application/json");
        return httplib::Server::HandlerResponse::Handled;
      case FaultKind::kDrop:
        // Promise one byte and close without sending it: the client sees the connection die.
        response.status = 200;
        response.set_header("Connection", "close");
        response.set_content_provider(1, "application/octet-stream",
                                      [](size_t, size_t, httplib::DataSink&) { return false; });
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.set_post_routing_handler(
      [server_header](const httplib::Request&, httplib::Response& response) {
        if (!response.has_header("Server")) response.set_header("Server", server_header);
      });
  server.set_exception_handler(
      [](const httplib::Request& request, httplib::Response& response, std::exception_ptr error) {
        std::string what = "unknown exception";
        try {
          std::rethrow_exception(error);
        } catch (const std::exception& e) {
          what = e.what();
        } catch (...) {
        }
        LogWarning("handler of " + request.method + " " + request.path + " failed: " + what);
        response.status = 500;
        response.set_content(R"({"error":"InternalError"})", "application/json");
      });
  server.set_logger(
      [fault_scope](const httplib::Request& request, const httplib::Response& response) {
        LogInfo(fault_scope + " " + request.method + " " + request.path + " -> " +
                std::to_string(response.status));
      });
}

bool BackendApp::BindPorts(std::string* error) {
  api_server_ = std::make_unique<httplib::Server>();
  cos_server_ = std::make_unique<httplib::Server>();
  Configure(*api_server_, "api", "qr-backend", config_.api_threads, kMaxApiBody);
  Configure(*cos_server_, "cos", "halvard-cos", config_.cos_threads,
            std::numeric_limits<size_t>::max());
  const auto bind = [&](httplib::Server& server, int port) {
    if (port == 0) return server.bind_to_any_port(config_.bind);
    return server.bind_to_port(config_.bind, port) ? port : -1;
  };
  api_port_ = bind(*api_server_, config_.api_port);
  cos_port_ = bind(*cos_server_, config_.cos_port);
  if (api_port_ <= 0 || cos_port_ <= 0) {
    *error = "cannot listen on " + config_.bind + " (api port " + std::to_string(config_.api_port) +
             ", cos port " + std::to_string(config_.cos_port) + ")";
    return false;
  }
  return true;
}

void BackendApp::RegisterRoutes() {
  const std::string host = config_.UrlHost();
  const std::string api_base = "http://" + host + ":" + std::to_string(api_port_);
  links_ = std::make_unique<JumpLinks>(*db_, *clock_, server_key_, api_base,
                                       config_.jump_ticket_ttl_seconds);
  ApiSettings settings{config_.bucket,
                       api_base,
                       "http://" + host + ":" + std::to_string(cos_port_),
                       config_.segment_size,
                       config_.object_auth_ttl_seconds,
                       config_.play_auth_ttl_seconds,
                       config_.push_heartbeat_ms};
  context_.reset(new ApiContext{settings, *clock_, *db_, *users_, *records_, *listings_, *reviews_,
                                *objects_, *authority_, *push_, *links_, *runtime_, *meetings_,
                                *shares_, *views_, *notices_, *access_});

  // The router outlives this function: its routes call back into it.
  router_ = std::make_unique<ApiRouter>(*api_server_, *verifier_);
  ApiRouter& router = *router_;
  record_control_ = std::make_unique<RecordControlApi>(*context_);
  record_control_->Register(router);
  record_capacity_ = std::make_unique<RecordCapacityApi>(*context_);
  record_capacity_->Register(router);
  record_rename_ = std::make_unique<RecordRenameApi>(*context_);
  record_rename_->Register(router);
  record_list_ = std::make_unique<RecordListApi>(*context_);
  record_list_->Register(router);
  messages_ = std::make_unique<MessageApi>(*context_);
  messages_->Register(router);
  sharing_ = std::make_unique<ShareApi>(*context_);
  sharing_->Register(router);
  local_upload_ = std::make_unique<LocalUploadApi>(*context_);
  local_upload_->Register(router);
  push_stream_ = std::make_unique<PushStreamApi>(*context_);
  push_stream_->Register(router);
  player_page_ = std::make_unique<PlayerPage>(*context_);
  player_page_->Register(*api_server_);
  admin_ = std::make_unique<AdminApi>(*context_, *faults_, admin_token_);
  admin_->Register(*api_server_);
  object_server_ = std::make_unique<ObjectStoreServer>(*objects_, *authority_);
  object_server_->Register(*cos_server_);
  review_settler_ = std::make_unique<TitleReviewSettler>(*context_);
}

bool BackendApp::WriteClientConfig(std::string* error) const {
  const auto demo = users_->FindByUid(kDemoUid);
  if (!demo) {
    *error = "the demo user is missing";
    return false;
  }
  const std::string base = "http://" + config_.UrlHost() + ":" + std::to_string(api_port_);
  const nlohmann::json client = {{"backend_url", base},
                                 {"web_host", config_.UrlHost() + ":" + std::to_string(api_port_)},
                                 {"push_url", base + PushStreamApi::kPath},
                                 {"account",
                                  {{"app_id", demo->app_id},
                                   {"app_uid", demo->app_uid},
                                   {"nick_name", demo->nick_name},
                                   {"avatar", demo->avatar},
                                   {"token", demo->token},
                                   {"secret", demo->secret}}}};
  return WriteFileAtomically(config_.client_config_out, client.dump(2) + "\n", error);
}

bool BackendApp::Start(std::string* error) {
  SetQuietLogging(config_.quiet);
  if (!OpenStorage(error) || !BindPorts(error)) return false;
  RegisterRoutes();
  if (!config_.client_config_out.empty() && !WriteClientConfig(error)) return false;
  review_timer_ =
      std::make_unique<PeriodicTask>(kReviewTick, [this] { review_settler_->SettleDue(); });
  api_thread_ = std::thread([this] { api_server_->listen_after_bind(); });
  cos_thread_ = std::thread([this] { cos_server_->listen_after_bind(); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!(api_server_->is_running() && cos_server_->is_running())) {
    if (std::chrono::steady_clock::now() > deadline) {
      *error = "the servers did not start";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  LogInfo("serving the API on port " + std::to_string(api_port_) + " and objects on port " +
          std::to_string(cos_port_) + ", data in " + config_.data_dir);
  return true;
}

std::string BackendApp::StartupLine() const {
  return nlohmann::json{
      {"api_port", api_port_}, {"cos_port", cos_port_}, {"admin_token", admin_token_}}
      .dump();
}

void BackendApp::Stop() {
  if (review_timer_) review_timer_->Stop();
  if (push_) push_->Shutdown();
  if (api_server_) api_server_->stop();
  if (cos_server_) cos_server_->stop();
}

void BackendApp::Wait() {
  if (api_thread_.joinable()) api_thread_.join();
  if (cos_thread_.joinable()) cos_thread_.join();
}

}  // namespace qr_backend
