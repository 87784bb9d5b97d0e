#pragma once

#include <string>

// The signed-in account and the host's meeting and recording state.
namespace kovani_common::utils {

// Fills the personal app id and app uid of the signed-in user (empty when nobody is signed in).
void GetPersonalAppIdAndAppUid(std::string* app_id, std::string* app_uid);
std::string GetSelfAppUid();

namespace inmeeting {
bool IsInMeeting();
// Set by the host application when the user joins or leaves a meeting.
void SetInMeeting(bool in_meeting);
}  // namespace inmeeting

namespace record {
bool IsQuickRecordRunning();
// Set by the host application from the recording-state models.
void SetQuickRecordRunning(bool running);
}  // namespace record

}  // namespace kovani_common::utils
