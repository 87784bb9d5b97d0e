#include "module/quick_record/view_model/recording_stages/quick_record_ending_view_model.h"

#include <gtest/gtest.h>

#include "host/base/threading/test_task_environment.h"
#include "host/framework/view_model/recording_view.h"
#include "module/quick_record/upload/quick_record_upload_model.h"
#include "module/quick_record/upload/uploading_item.h"

namespace quick_record {
namespace {

using base::variant::Variant;
using ViewModel = QuickRecordEndingViewModel;

// The session's record id, as its field reader answers it.
class SessionStandIn : public framework::ModelImpl {
 public:
  SessionStandIn() {
    BindMethod(0x3d29c89a, [this](const Variant&, Variant* result) {
      *result = record_id;
      return true;
    });
  }
  std::string record_id = "r-1";
};

// Upload lists and notifications as the upload model gives them.
class UploadStandIn : public framework::ModelImpl {
 public:
  UploadStandIn() {
    BindMethod(QuickRecordUploadModel::kInvokeGetUploadingList, [this](const Variant&, Variant* result) {
      *result = uploading;
      return true;
    });
    BindMethod(QuickRecordUploadModel::kInvokeGetCacheUploadedList, [this](const Variant&, Variant* result) {
      *result = uploaded;
      return true;
    });
  }
  void Notify(const UploadingItem& item) { FireEvent(QuickRecordUploadModel::kFireTaskUploadStatus, item.ToVariant()); }
  void CoverUploaded(const std::string& instance_id) {
    FireEvent(QuickRecordUploadModel::kFireDataCoverUriUpdate,
              Variant::MakeMap().Set("k_instance_id", instance_id).Set("k_cover_uri", "/tmp/c.kovtc"));
  }
  Variant uploading = Variant::MakeArray();
  Variant uploaded = Variant::MakeArray();
};

UploadingItem Item(const std::string& record_id, int64_t status, int64_t uploaded, const std::string& jump_url = "") {
  UploadingItem item;
  item.instance_id = "i-" + record_id;
  item.record_id = record_id;
  item.upload_status = status;
  item.uploaded_size = uploaded;
  item.total_size = 1000;
  item.record_time_duration = 5000;
  item.jump_url = jump_url;
  return item;
}

class QuickRecordEndingViewModelTest : public ::testing::Test {
 protected:
  void Attach() { view_model_->AttachView(&view_); }
  std::vector<Variant> Published() const { return view_.ValuesOf(ViewModel::kPropertyRecord); }

  base::test::TestTaskEnvironment env_;
  std::shared_ptr<SessionStandIn> session_ = std::make_shared<SessionStandIn>();
  std::shared_ptr<UploadStandIn> upload_ = std::make_shared<UploadStandIn>();
  framework::RecordingView view_;
  std::shared_ptr<ViewModel> view_model_ = std::make_shared<ViewModel>(session_, upload_);
};

TEST_F(QuickRecordEndingViewModelTest, FollowsTheSessionsRecordUntilItsLinkAndIgnoresOthers) {
  Attach();
  EXPECT_TRUE(Published().empty()) << "nothing is listed for the record yet";
  upload_->Notify(Item("someone-else", kUploadStatusUploaded, 1000, "http://x/play/other"));
  upload_->Notify(Item("r-1", kUploadStatusUploading, 400));
  upload_->Notify(Item("r-1", kUploadStatusUploading, 400));  // the same state again
  upload_->Notify(Item("r-1", kUploadStatusUploaded, 1000, "http://x/play/r1"));

  const auto published = Published();
  ASSERT_EQ(published.size(), 2u);
  EXPECT_EQ(published[0].GetInt64("uploaded_size"), 400);
  EXPECT_EQ(published[0].GetInt64("upload_status"), kUploadStatusUploading);
  EXPECT_EQ(published[1].GetInt64("upload_status"), kUploadStatusUploaded);
  EXPECT_EQ(published[1].GetString("jump_url"), "http://x/play/r1");
  EXPECT_EQ(published[1].GetInt64("total_size"), 1000);
  EXPECT_EQ(published[1].GetInt64("duration_ms"), 5000);
}

TEST_F(QuickRecordEndingViewModelTest, ARecordUploadedBeforeThePageOpenedIsShownAtOnce) {
  upload_->uploaded.Add(Item("r-1", kUploadStatusUploaded, 1000, "http://x/play/r1").ToVariant());
  Attach();
  ASSERT_EQ(Published().size(), 1u);
  EXPECT_EQ(Published()[0].GetString("jump_url"), "http://x/play/r1");
}

TEST_F(QuickRecordEndingViewModelTest, TheCoverThatFollowsTheLinkIsAnnouncedForTheSessionsItemOnly) {
  upload_->uploaded.Add(Item("r-1", kUploadStatusUploaded, 1000, "http://x/play/r1").ToVariant());
  Attach();
  ASSERT_EQ(Published().size(), 1u);
  EXPECT_FALSE(Published().back().GetBool("cover_uploaded"));

  upload_->CoverUploaded("i-someone-else");
  EXPECT_EQ(Published().size(), 1u) << "another record's cover changes nothing";
  upload_->CoverUploaded("i-r-1");
  ASSERT_EQ(Published().size(), 2u);
  EXPECT_TRUE(Published().back().GetBool("cover_uploaded"));
  EXPECT_EQ(Published().back().GetString("jump_url"), "http://x/play/r1");
}

TEST_F(QuickRecordEndingViewModelTest, WithoutARecordIdOrAfterDetachingNothingIsPublished) {
  session_->record_id.clear();
  upload_->uploading.Add(Item("", kUploadStatusUploading, 10).ToVariant());
  Attach();
  upload_->Notify(Item("", kUploadStatusUploading, 20));
  EXPECT_TRUE(Published().empty()) << "an item without a record id is nobody's";

  session_->record_id = "r-1";
  view_model_->DetachView();
  EXPECT_EQ(upload_->SubscriberCount(QuickRecordUploadModel::kFireTaskUploadStatus), 0u);
  upload_->Notify(Item("r-1", kUploadStatusUploaded, 1000, "http://x/play/r1"));
  EXPECT_TRUE(Published().empty());
}

}  // namespace
}  // namespace quick_record
