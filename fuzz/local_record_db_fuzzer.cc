// The local record database's rows as another version of the module, a crash or a hand edit may
// have left them: every column of "local_record_data" holds NULL, an integer, a real or any text,
// and the handlers that read rows back (lists, quantity, paths, meeting queries) must answer within
// what is stored, through the data-route factory as the module calls them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_temp_dir.h"
#include "host/base/database/sqlite_database.h"
#include "host/base/datarouter/data_route_packet.h"
#include "module/quick_record/data/db/local_record_data_db_data_route_handler_factory.h"
#include "module/quick_record/data/db/local_record_data_db_sqlite_open_helper.h"
#include "module/quick_record/data/db/local_record_data_types.h"
#include "module/quick_record/data/db/local_record_data_uris.h"

namespace {

using base::variant::Variant;
using namespace quick_record;

constexpr size_t kMaxRows = 4;

struct Store {
  Store() : dir("local-record-db"), factory(dir.File("")) {
    factory.Init();
    db = base::database::SQLiteDatabase::Open(LocalRecordDataDBSQLiteOpenHelper(dir.File("")).DatabasePath(), false);
    if (!db || !db->TableExists("local_record_data")) std::abort();
    LocalRecordDataInfo info;
    VisitLocalRecordColumns(info, [&](const char* column, auto&) { columns.emplace_back(column); });
  }
  FuzzTempDir dir;
  LocalRecordDataDBDataRouteHandlerFactory factory;
  std::shared_ptr<base::database::SQLiteDatabase> db;
  std::vector<std::string> columns;
};

Store& TheStore() {
  static Store* store = new Store;
  return *store;
}

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  template <typename T>
  T Number() {
    T value{};
    const size_t n = std::min(sizeof value, size_ - std::min(at_, size_));
    std::memcpy(&value, data_ + at_, n);
    at_ += n;
    return value;
  }
  std::string Text() {
    const size_t n = std::min<size_t>(Byte(), size_ - std::min(at_, size_));
    std::string text(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// One stored value: absent (the column's default), NULL, an integer, a real or text.
bool ReadValue(Reader* in, Variant* value) {
  switch (in->Byte() % 5) {
    case 0: return false;
    case 1: *value = Variant(); return true;
    case 2: *value = Variant(in->Number<int64_t>()); return true;
    case 3: *value = Variant(in->Number<double>()); return true;
    default: *value = Variant(in->Text()); return true;
  }
}

template <typename Req>
std::shared_ptr<base::datarouter::DataRouteResponsePacket> Ask(Store& s, const char* uri, std::shared_ptr<Req> req) {
  req->app_id = "a";
  req->app_uid = "u";
  auto request = std::make_shared<base::datarouter::DataRouteRequestPacket>(uri, Variant::FromShared(req));
  auto handler = s.factory.CreateHandler(request);
  if (!handler) std::abort();
  auto response = base::datarouter::CreateDataRouteResponsePacket();
  handler->Handle(response);
  return response;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Store& s = TheStore();
  if (!s.db->Execute("DELETE FROM local_record_data")) std::abort();
  Reader in(data, size);
  size_t stored = 0;
  for (size_t row = 0; row < kMaxRows && !in.empty(); ++row) {
    // The owner stays "a"/"u" so the handlers' queries reach the row; every other column is read.
    std::string names = "app_id, app_uid", marks = "?, ?";
    std::vector<Variant> values{Variant("a"), Variant("u")};
    for (size_t c = 2; c < s.columns.size(); ++c) {
      Variant value;
      if (!ReadValue(&in, &value)) continue;
      names += ", " + s.columns[c];
      marks += ", ?";
      values.push_back(value);
    }
    stored += s.db->Execute("INSERT INTO local_record_data(" + names + ") VALUES(" + marks + ")", values);
  }

  for (const int64_t page_size : {int64_t{0}, int64_t{1}}) {
    auto list = std::make_shared<PluginGetLocalRecordDataListReq>();
    list->data_type = kLocalDataTypeBoth;
    list->time = std::numeric_limits<int64_t>::max();
    list->page_size = page_size;
    const auto answer = Ask(s, local_record_uri::kQueryLocalRecordDataListByStartTime, list);
    const auto page = answer->Object<LocalRecordDataListResp>();
    if (!answer->success() || !page || page->items.size() > stored ||
        page->has_more != (page_size > 0 && page->items.size() > static_cast<size_t>(page_size))) {
      std::abort();
    }
    // The meeting of a stored row finds that row again.
    if (!page->items.empty() && !page->items[0].meeting_id.empty()) {
      auto by_meeting = std::make_shared<DbQueryLocalRecordDatasReq>();
      by_meeting->meeting_id = page->items[0].meeting_id;
      by_meeting->period_id = page->items[0].period_id;
      by_meeting->begin_time_from = std::numeric_limits<int64_t>::min();
      by_meeting->begin_time_to = std::numeric_limits<int64_t>::max();
      const auto found = Ask(s, local_record_uri::kQueryLocalRecordDatas, by_meeting);
      if (!found->success() || !found->Object<DbQueryLocalRecordDatasResp>()) std::abort();
    }
  }
  for (const int64_t type : {int64_t{0}, int64_t{1}, kLocalDataTypeBoth}) {
    auto quantity = std::make_shared<GetLocalReocrdQuantityInfo>();
    quantity->data_type = type;
    const auto answer = Ask(s, local_record_uri::kGetLocalRecordQuantity, quantity);
    const auto counted = answer->Object<PluginGetLocalReocrdQuantityResp>();
    if (answer->success() && counted && (counted->quantity < 0 || static_cast<size_t>(counted->quantity) > stored)) {
      std::abort();
    }
  }
  auto paths = std::make_shared<PluginQueryLocalDataPathsReq>();
  Ask(s, local_record_uri::kQueryLocalRecordDataPaths, paths);
  return 0;
}
