#pragma once

namespace quick_record {

// Which entries the new share dialog shows.
struct tagShareNewUiCfg {
  bool lintra_share_visible = false;
  bool company_contacts_visible = false;
  bool new_meeting_member_visible = false;
};

}  // namespace quick_record
