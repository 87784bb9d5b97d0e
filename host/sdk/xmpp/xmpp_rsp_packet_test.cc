#include "host/sdk/xmpp/xmpp_rsp_packet.h"

#include <gtest/gtest.h>

namespace {

// A packet type as the module writes one.
class TestPushPacket : public KOVANI_XMPP::XmppRspPacket<TestPushPacket> {
 public:
  static constexpr char kNamespace[] = "halvard:kovani:meetlog_push";
  bool ReadPayload(const base::xml::XmlStanza& payload) {
    cmd = payload.FindChildCData("cmd");
    return !cmd.empty();
  }
  std::string cmd;
};

bool Read(TestPushPacket& packet, const std::string& text) {
  return packet.ReadFrom(base::xmpp::Stanza::Parse(text));
}

TEST(XmppRspPacketTest, AcceptsAPayloadInItsNamespace) {
  TestPushPacket packet;
  ASSERT_TRUE(Read(packet, R"(<message id="9" type="push"><push xmlns="halvard:kovani:meetlog_push"><cmd>4</cmd></push></message>)"));
  EXPECT_EQ(packet.cmd, "4");
  EXPECT_EQ(packet.id(), "9");
  EXPECT_EQ(packet.type(), "push");
  EXPECT_FALSE(packet.has_error());
}

TEST(XmppRspPacketTest, RefusesOtherNamespacesErrorsAndUnusablePayloads) {
  TestPushPacket packet;
  EXPECT_FALSE(Read(packet, R"(<message><push xmlns="halvard:kovani:other"><cmd>4</cmd></push></message>)"));
  EXPECT_FALSE(Read(packet, R"(<message><push><cmd>4</cmd></push></message>)"));
  EXPECT_FALSE(Read(packet, R"(<message><push xmlns="halvard:kovani:meetlog_push"/></message>)"));
  EXPECT_FALSE(Read(packet, "<message/>"));
  EXPECT_FALSE(packet.ReadFrom(base::xmpp::Stanza()));

  EXPECT_FALSE(Read(packet, R"(<message><push xmlns="halvard:kovani:meetlog_push"><cmd>4</cmd><error code="503"/></push></message>)"));
  EXPECT_TRUE(packet.has_error());
  EXPECT_EQ(packet.error_code(), 503);
  EXPECT_FALSE(Read(packet, R"(<message><push xmlns="halvard:kovani:meetlog_push"><error><code>401</code></error></push></message>)"));
  EXPECT_EQ(packet.error_code(), 401);
  // A later good packet clears the error.
  EXPECT_TRUE(Read(packet, R"(<message><push xmlns="halvard:kovani:meetlog_push"><cmd>1</cmd></push></message>)"));
  EXPECT_FALSE(packet.has_error());
  EXPECT_EQ(packet.error_code(), 0);
}

}  // namespace
