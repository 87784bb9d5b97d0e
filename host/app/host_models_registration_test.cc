// The host models of the host services are served by id through the application runtime, the
// way modules reach them.

#include <gtest/gtest.h>

#include "host/app/host_app_model.h"
#include "host/app/host_application.h"
#include "host/app/image_download_model.h"
#include "host/app/recording_state_model.h"
#include "host/app/red_dot_service_model.h"
#include "host/base/threading/test_task_environment.h"
#include "host/framework/module/module_service.h"

namespace host::app {
namespace {

TEST(HostModelsRegistrationTest, ServicesModelsAreServedById) {
  base::test::TestTaskEnvironment env;
  HostApplication app;
  using framework::module::GetAppModuleModel;
  EXPECT_TRUE(std::dynamic_pointer_cast<HostAppModel>(GetAppModuleModel(kHostAppModelId)));
  EXPECT_TRUE(std::dynamic_pointer_cast<ImageDownloadModel>(GetAppModuleModel(kImageDownloadModelId)));
  EXPECT_TRUE(std::dynamic_pointer_cast<RedDotServiceModel>(GetAppModuleModel(kRedDotServiceModelId)));
  for (int32_t id : {kRecordingServiceModelId, kRecordingStateListenerModelId}) {
    auto model = std::dynamic_pointer_cast<RecordingStateModel>(GetAppModuleModel(id));
    ASSERT_TRUE(model) << id;
    EXPECT_EQ(model->type(), id);
  }
  // One instance per id for the life of the application.
  EXPECT_EQ(GetAppModuleModel(kHostAppModelId), GetAppModuleModel(kHostAppModelId));
}

}  // namespace
}  // namespace host::app
