#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "host/app/host_application.h"
#include "host/base/threading/test_task_environment.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/data/service/historical_local_record_data_service.h"
#include "module/quick_record/data/service/local_record_data_service.h"

namespace quick_record::testing {

inline constexpr char kAppId[] = "app-1";
inline constexpr char kAppUid[] = "alice";

// Both data services over real database files in a temporary directory, with the signed-in user
// alice, on mock-time loopers.
class LocalRecordServiceTest : public ::testing::Test {
 protected:
  static host::app::HostConfig SignedIn() {
    host::app::HostConfig config;
    config.account.app_id = kAppId;
    config.account.app_uid = kAppUid;
    config.account.token = "token";
    return config;
  }

  void OpenServices() {
    history_ = std::make_shared<HistoricalLocalRecordDataService>(dir_.path(), &env_.worker_looper());
    service_ = std::make_shared<LocalRecordDataService>(dir_.path(), &env_.worker_looper(), history_);
  }

  // Starts an operation with a callback of (T...) and runs the loopers until idle; answers what the
  // callback received and checks that it was called exactly once.
  template <typename... T, typename Start>
  std::tuple<T...> Run(Start start) {
    std::optional<std::tuple<T...>> got;
    int calls = 0;
    start([&](T... values) {
      ++calls;
      got.emplace(std::move(values)...);
    });
    env_.RunUntilIdle();
    EXPECT_EQ(calls, 1);
    return got ? std::move(*got) : std::tuple<T...>{};
  }

  static PluginSaveOrUpdateLocalDataReqInfo Record(const std::string& instance_id, int64_t start_time,
                                                   int64_t data_type = kLocalDataTypeQuickRecord) {
    PluginSaveOrUpdateLocalDataReqInfo info;
    info.app_id = kAppId;
    info.app_uid = kAppUid;
    info.instance_id = instance_id;
    info.record_title = "title " + instance_id;
    info.local_file_path = "/rec/" + instance_id + ".mp4";
    info.start_record_time = start_time;
    info.data_type = data_type;
    return info;
  }

  bool Save(const std::vector<PluginSaveOrUpdateLocalDataReqInfo>& infos) {
    return std::get<0>(Run<PluginSaveOrUpdateLocalDataListResp>(
                           [&](auto done) { service_->SaveOrUpdateLocalDatas(infos, done); }))
        .success;
  }

  base::test::TestTaskEnvironment env_;
  util::file::ScopedTempDir dir_;
  host::app::HostApplication app_{SignedIn()};
  std::shared_ptr<HistoricalLocalRecordDataService> history_;
  std::shared_ptr<LocalRecordDataService> service_;
};

}  // namespace quick_record::testing
