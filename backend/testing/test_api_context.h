#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "api/access_policy.h"
#include "api/api_context.h"
#include "api/jump_links.h"
#include "common/clock.h"
#include "objects/object_authority.h"
#include "objects/object_store.h"
#include "push/push_hub.h"
#include "storage/meeting_store.h"
#include "storage/notice_store.h"
#include "storage/record_listing.h"
#include "storage/record_store.h"
#include "storage/runtime_settings.h"
#include "storage/settings_store.h"
#include "storage/share_store.h"
#include "storage/title_review_store.h"
#include "storage/user_store.h"
#include "storage/view_store.h"
#include "testing/test_database.h"

namespace qr_backend {

// Every service an endpoint family is built from, over a migrated test database, an object
// store in the same temporary directory and a manual clock: for unit tests of the rules the
// endpoints share, without a server.
class TestApiContext {
 public:
  static constexpr int64_t kStart = 1'700'000'000;

  TestApiContext() {
    std::string error;
    EXPECT_TRUE(objects.Init(&error)) << error;
  }

  // A user of `app_id`; token and secret are generated.
  User AddUser(const std::string& app_uid, const std::string& app_id = "qr-app") {
    std::string error;
    const auto user = users.Create({app_uid, app_id, app_uid, "", "", "", std::nullopt}, &error);
    EXPECT_TRUE(user) << error;
    return user.value_or(User{});
  }

  // A record of `owner` in state `state`, stored as the start request would.
  Record AddRecord(const std::string& uni, const std::string& owner, int state = kRecordStateDone) {
    Record record;
    record.uni_record_id = uni;
    record.record_id = "id-" + uni;
    record.file_id = "f-" + uni;
    record.owner_uid = owner;
    record.title = "Title of " + uni;
    record.record_type = "fast_record";
    record.state = state;
    record.video_key = "records/" + uni + "/video.mp4";
    record.cover_key = "records/" + uni + "/cover.jpg";
    record.created_at = record.updated_at = clock.NowSeconds();
    EXPECT_TRUE(records.Insert(record));
    return record;
  }

  TestDatabase database;
  ManualClock clock{kStart};
  SettingsStore settings_store{database.db()};
  UserStore users{database.db(), clock};
  RecordStore records{database.db()};
  RecordListing listings{database.db()};
  TitleReviewStore reviews{database.db()};
  ObjectStore objects{database.db(), clock, database.dir() + "/objects"};
  ObjectAuthority authority{database.db(), clock, "0123456789abcdef0123456789abcdef"};
  PushHub push{database.db(), clock, 3600};
  JumpLinks links{database.db(), clock, "0123456789abcdef0123456789abcdef", "http://127.0.0.1:1",
                  3600};
  RuntimeSettings runtime{settings_store, RuntimeValues{}};
  MeetingStore meetings{database.db()};
  ShareStore shares{database.db()};
  ViewStore views{database.db()};
  NoticeStore notices{database.db()};
  AccessPolicy access{shares, meetings, users, clock};
  ApiContext context{ApiSettings{"qr-records", "http://127.0.0.1:1", "http://127.0.0.1:2", 4 << 20,
                                 3600, 600, 5000},
                     clock,
                     database.db(),
                     users,
                     records,
                     listings,
                     reviews,
                     objects,
                     authority,
                     push,
                     links,
                     runtime,
                     meetings,
                     shares,
                     views,
                     notices,
                     access};
};

}  // namespace qr_backend
