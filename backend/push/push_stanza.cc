#include "push/push_stanza.h"

#include "common/crypto.h"
#include "common/xml_escape.h"
#include "push/push_hub.h"

namespace qr_backend {

std::string PushStanza(const PushEvent& event) {
  return "<message id=\"" + std::to_string(event.id) + "\" type=\"push\" to=\"" +
         XmlEscape(event.app_uid) + "\"><push xmlns=\"halvard:kovani:meetlog_push\"><cmd>" +
         std::to_string(event.cmd) + "</cmd><content>" + Base64Encode(event.content) +
         "</content></push></message>";
}

}  // namespace qr_backend
