#pragma once

#include <memory>
#include <string>
#include <thread>

#include "common/httplib_fwd.h"
#include "server/backend_config.h"

namespace qr_backend {

struct ApiContext;
class AccessPolicy;
class AdminApi;
class ApiRouter;
class LocalUploadApi;
class MeetingStore;
class MessageApi;
class NoticeStore;
class Clock;
class Database;
class FaultInjector;
class JumpLinks;
class NonceStore;
class ObjectAuthority;
class ObjectStore;
class ObjectStoreServer;
class PeriodicTask;
class PlayerPage;
class PushHub;
class PushStreamApi;
class RecordCapacityApi;
class RecordControlApi;
class RecordListApi;
class RecordRenameApi;
class RecordListing;
class RecordStore;
class RequestVerifier;
class RuntimeSettings;
class SettingsStore;
class ShareApi;
class ShareStore;
class TitleReviewSettler;
class TitleReviewStore;
class UserStore;
class ViewStore;

// The whole back end: storage under the data directory, the API server and the object-store
// server, each on its own port and its own listening thread.
class BackendApp {
 public:
  explicit BackendApp(BackendConfig config);
  ~BackendApp();
  BackendApp(const BackendApp&) = delete;
  BackendApp& operator=(const BackendApp&) = delete;

  // Opens the storage, binds both ports and serves; returns once both accept connections.
  bool Start(std::string* error);
  // {"api_port": N, "cos_port": M, "admin_token": "..."}
  std::string StartupLine() const;
  // Ends open push streams and stops both servers; safe from any thread, more than once.
  void Stop();
  // Returns when both servers have stopped.
  void Wait();

 private:
  bool OpenStorage(std::string* error);
  bool BindPorts(std::string* error);
  void Configure(httplib::Server& server, const std::string& fault_scope,
                 const std::string& server_header, int threads, size_t max_body);
  void RegisterRoutes();
  bool WriteClientConfig(std::string* error) const;

  BackendConfig config_;
  std::string admin_token_;
  int api_port_ = 0;
  int cos_port_ = 0;

  std::unique_ptr<Clock> clock_;
  std::unique_ptr<Database> db_;
  std::unique_ptr<SettingsStore> settings_;
  std::unique_ptr<UserStore> users_;
  std::unique_ptr<NonceStore> nonces_;
  std::unique_ptr<RecordStore> records_;
  std::unique_ptr<RecordListing> listings_;
  std::unique_ptr<TitleReviewStore> reviews_;
  std::unique_ptr<RuntimeSettings> runtime_;
  std::unique_ptr<MeetingStore> meetings_;
  std::unique_ptr<ShareStore> shares_;
  std::unique_ptr<ViewStore> views_;
  std::unique_ptr<NoticeStore> notices_;
  std::unique_ptr<AccessPolicy> access_;
  std::unique_ptr<ObjectStore> objects_;
  std::unique_ptr<ObjectAuthority> authority_;
  std::unique_ptr<PushHub> push_;
  std::unique_ptr<JumpLinks> links_;
  std::unique_ptr<FaultInjector> faults_;
  std::unique_ptr<RequestVerifier> verifier_;
  std::unique_ptr<ApiContext> context_;

  std::unique_ptr<httplib::Server> api_server_;
  std::unique_ptr<httplib::Server> cos_server_;
  std::unique_ptr<ApiRouter> router_;
  std::unique_ptr<RecordControlApi> record_control_;
  std::unique_ptr<RecordCapacityApi> record_capacity_;
  std::unique_ptr<RecordRenameApi> record_rename_;
  std::unique_ptr<RecordListApi> record_list_;
  std::unique_ptr<MessageApi> messages_;
  std::unique_ptr<ShareApi> sharing_;
  std::unique_ptr<LocalUploadApi> local_upload_;
  std::unique_ptr<PushStreamApi> push_stream_;
  std::unique_ptr<PlayerPage> player_page_;
  std::unique_ptr<AdminApi> admin_;
  std::unique_ptr<ObjectStoreServer> object_server_;
  std::unique_ptr<TitleReviewSettler> review_settler_;
  // Settles renames whose clients stopped polling; stopped before the stores go.
  std::unique_ptr<PeriodicTask> review_timer_;

  std::thread api_thread_;
  std::thread cos_thread_;
  std::string server_key_;
};

}  // namespace qr_backend
