#pragma once

#include <string>
#include <string_view>

namespace qr_backend {

struct PushEvent;

// Heartbeat line of the push stream; carries nothing.
constexpr std::string_view kPingStanza = "<ping/>";

// One push event as an XML stanza on one line (no trailing newline):
// <message id="ID" type="push" to="APP_UID"><push xmlns="halvard:kovani:meetlog_push">
// <cmd>CMD</cmd><content>BASE64(JSON)</content></push></message>
std::string PushStanza(const PushEvent& event);

}  // namespace qr_backend
