#include "module/quick_record/view_model/new_recording/quick_record_select_mode.h"

#include "module/quick_record/recorder/i_quick_recorder.h"

namespace quick_record {

uint32_t QuickRecordSelectMode::RecordFlags(int32_t mode) {
  switch (mode) {
    case kScreenAndHead: return kRecordFlagScreen | kRecordFlagCamera;
    case kScreen: return kRecordFlagScreen;
    case kHead: return kRecordFlagCamera;
    default: return 0;
  }
}

const char* QuickRecordSelectMode::Name(int32_t mode) {
  switch (mode) {
    case kScreenAndHead: return "screen_and_head";
    case kScreen: return "screen";
    default: return "head";
  }
}

}  // namespace quick_record
