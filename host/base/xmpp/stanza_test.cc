#include "host/base/xmpp/stanza.h"

#include <gtest/gtest.h>

namespace base::xmpp {
namespace {

TEST(StanzaTest, ReadsTheEnvelopeAndThePayload) {
  const Stanza stanza = Stanza::Parse(
      R"(<message id="42" type="push" from="server" to="alice"><push xmlns="a:b:meetlog_push"><cmd>5</cmd></push></message>)");
  ASSERT_FALSE(stanza.IsNull());
  EXPECT_EQ(stanza.Name(), "message");
  EXPECT_EQ(stanza.Id(), "42");
  EXPECT_EQ(stanza.Type(), "push");
  EXPECT_EQ(stanza.From(), "server");
  EXPECT_EQ(stanza.To(), "alice");
  EXPECT_EQ(stanza.CustomTagForName("push").FindChildCData("cmd"), "5");
  EXPECT_EQ(stanza.Payload().Xmlns(), "a:b:meetlog_push");
  EXPECT_TRUE(stanza.CustomTagForName("other").IsNull());
}

TEST(StanzaTest, MalformedOrEmptyStanzasAreNull) {
  EXPECT_TRUE(Stanza::Parse("<message id='1'>").IsNull());
  EXPECT_TRUE(Stanza().IsNull());
  const Stanza bare = Stanza::Parse("<message/>");
  ASSERT_FALSE(bare.IsNull());
  EXPECT_EQ(bare.Id(), "");
  EXPECT_TRUE(bare.Payload().IsNull());
}

}  // namespace
}  // namespace base::xmpp
