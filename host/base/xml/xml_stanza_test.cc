#include "host/base/xml/xml_stanza.h"

#include <gtest/gtest.h>

#include <thread>

namespace base::xml {
namespace {

constexpr char kPush[] =
    R"(<message id="7" type="push"><push xmlns="halvard:kovani:meetlog_push">)"
    R"(<cmd>4</cmd><content><![CDATA[eyJhIjoxfQ==]]></content><note>a &amp; b</note>)"
    R"(<inner><deep/></inner></push></message>)";

TEST(XmlStanzaTest, ReadsChildrenAttributesAndText) {
  const XmlStanza root = XmlStanza::Parse(kPush);
  ASSERT_FALSE(root.IsNull());
  EXPECT_EQ(root.Name(), "message");
  EXPECT_EQ(root.FindAttribute("id"), "7");
  EXPECT_TRUE(root.HasAttribute("type"));
  EXPECT_FALSE(root.HasAttribute("to"));
  EXPECT_EQ(root.FindAttribute("to"), "");

  const XmlStanza push = root.FindChild("push");
  ASSERT_FALSE(push.IsNull());
  EXPECT_EQ(push.Xmlns(), "halvard:kovani:meetlog_push");
  EXPECT_EQ(push.FindChildCData("cmd"), "4");
  EXPECT_EQ(push.FindChildCData("content"), "eyJhIjoxfQ==");  // a CDATA section
  EXPECT_EQ(push.FindChildCData("note"), "a & b");             // entities decoded
  EXPECT_EQ(push.Children().size(), 4u);
  EXPECT_EQ(push.FirstChild().Name(), "cmd");
}

TEST(XmlStanzaTest, NamespaceIsInheritedFromTheNearestAncestor) {
  const XmlStanza root = XmlStanza::Parse(kPush);
  EXPECT_EQ(root.Xmlns(), "");
  EXPECT_EQ(root.FindChild("push").FindChild("inner").FindChild("deep").Xmlns(), "halvard:kovani:meetlog_push");
}

TEST(XmlStanzaTest, MissingPartsGiveNullAndEmpty) {
  const XmlStanza root = XmlStanza::Parse(kPush);
  const XmlStanza missing = root.FindChild("nothing");
  EXPECT_TRUE(missing.IsNull());
  EXPECT_TRUE(missing.FindChild("x").IsNull());
  EXPECT_EQ(missing.FindChildCData("x"), "");
  EXPECT_EQ(missing.FindAttribute("x"), "");
  EXPECT_EQ(missing.Xmlns(), "");
  EXPECT_EQ(missing.CData(), "");
  EXPECT_EQ(missing.Name(), "");
  EXPECT_TRUE(missing.Children().empty());
  EXPECT_EQ(missing.ToString(), "");
  // Only the text directly inside counts: <push> holds elements, no text.
  EXPECT_EQ(root.FindChild("push").CData(), "");
}

TEST(XmlStanzaTest, MalformedTextParsesToNull) {
  for (const char* text : {"", "   ", "<message", "<a><b></a>", "not xml", "<a/><b/>", "junk<a/>",
                           "<a/>trailing", "<a x=\"1>", "<!-- only a comment -->"}) {
    EXPECT_TRUE(XmlStanza::Parse(text).IsNull()) << text;
  }
  EXPECT_FALSE(XmlStanza::Parse(" <a/>\r\n").IsNull());
}

TEST(XmlStanzaTest, ElementsOutliveTheirRootAndCrossThreads) {
  XmlStanza content;
  {
    const XmlStanza root = XmlStanza::Parse(kPush);
    content = root.FindChild("push").FindChild("content");
  }
  std::string seen;
  std::thread reader([&] { seen = content.CData(); });
  reader.join();
  EXPECT_EQ(seen, "eyJhIjoxfQ==");
}

TEST(XmlStanzaTest, PrintsCompactXml) {
  const XmlStanza cmd = XmlStanza::Parse(kPush).FindChild("push").FindChild("cmd");
  EXPECT_EQ(cmd.ToString(), "<cmd>4</cmd>");
  const XmlStanza reparsed = XmlStanza::Parse(XmlStanza::Parse(kPush).ToString());
  EXPECT_EQ(reparsed.FindChild("push").FindChildCData("note"), "a & b");
}

}  // namespace
}  // namespace base::xml
