// The parsers of untrusted text: attribute values, the image attribute
// language and the XML reader.

#include <gtest/gtest.h>

#include <string>

#include "skin/core/attribute_values.h"
#include "skin/core/image_attribute.h"
#include "skin/core/xml_document.h"

namespace kelno::skin {
namespace {

TEST(SkinAttributeValues, ColoursIntsAndRects) {
    EXPECT_EQ(ParseColor("#FF112233"), 0xFF112233u);
    EXPECT_EQ(ParseColor("112233"), 0xFF112233u);  // no alpha: opaque
    EXPECT_EQ(ParseColor("0x80112233"), 0x80112233u);
    EXPECT_EQ(ParseColor("#zz"), std::nullopt);
    EXPECT_EQ(ParseColor("#123456789"), std::nullopt);
    EXPECT_EQ(ParseColor(""), std::nullopt);

    EXPECT_EQ(ParseInt(" -3 "), -3);
    EXPECT_EQ(ParseInt("1x"), std::nullopt);
    EXPECT_EQ(ParseInt("99999999999999999999"), 1'000'000);  // clamped, no overflow
    EXPECT_EQ(ParseBool("TRUE"), true);
    EXPECT_EQ(ParseBool("0"), false);
    EXPECT_EQ(ParseBool("yes"), std::nullopt);

    EXPECT_EQ(ParseRect("1,2,3,4"), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(ParseRect("1,2"), (Rect{1, 2, 0, 0}));
    EXPECT_EQ(ParseRect("-1;-2;3;4;5;6"), (Rect{-1, -2, 3, 4}));
    EXPECT_EQ(ParseRect(""), std::nullopt);
    EXPECT_EQ(ParseRect("a,b"), std::nullopt);
    EXPECT_EQ(ParseSize("640,480"), (Size{640, 480}));
}

struct ImageCase {
    const char* image;
    const char* modify;
    ImageAttribute expected;
};

ImageAttribute Attr(std::string file) {
    ImageAttribute a;
    a.file = std::move(file);
    return a;
}

TEST(SkinImageAttributeParser, Table) {
    ImageAttribute full = Attr("a.png");
    full.resType = "png";
    full.dest = Rect{1, 2, 3, 4};
    full.source = Rect{5, 6, 7, 8};
    full.corner = Rect{9, 10, 11, 12};
    full.mask = 0xFFFF00FF;
    full.fade = 128;
    full.hole = true;
    full.xtiled = true;
    full.hsl = true;

    ImageAttribute modified = Attr("a.png");
    modified.fade = 50;
    modified.dest = Rect{0, 0, 5, 5};

    ImageAttribute clampedFade = Attr("a.png");
    clampedFade.fade = 255;
    ImageAttribute zeroFade = Attr("a.png");
    zeroFade.fade = 0;
    ImageAttribute hugeDest = Attr("");
    hugeDest.dest = Rect{1'000'000, 1, 2, 3};

    const ImageCase cases[] = {
        {"a.png", "", Attr("a.png")},
        {"  a.png  ", "", Attr("a.png")},
        {"file='a.png' restype='png' dest='1,2,3,4' source='5,6,7,8' corner='9,10,11,12' "
         "mask='#FF00FF' fade='128' hole='true' xtiled='TRUE' ytiled='false' hsl='True'",
         "", full},
        {"res='a.png'", "", Attr("a.png")},
        {"   file='a.png'", "", Attr("a.png")},
        // No blank after the closing quote: parsing of that text stops.
        {"file='a.png'fade='1'", "", Attr("a.png")},
        // An unterminated value is not applied.
        {"file='a.png' source='1,2", "", Attr("a.png")},
        // Empty values and unknown keys are ignored.
        {"file='' bogus='1' file='a.png' fade=''", "", Attr("a.png")},
        {"file='a.png' fade='x'", "", Attr("a.png")},
        {"file='a.png' fade='999'", "", clampedFade},
        {"file='a.png' fade='-5'", "", zeroFade},
        {"dest='99999999999999,1,2,3'", "", hugeDest},
        // The second text overrides keys of the first.
        {"file='a.png' fade='100'", "fade='50' dest='0,0,5,5'", modified},
        // Hostile fragments parse to nothing, in bounds.
        {"=", "", Attr("")},
        {"'", "", Attr("'")},
        {"file='", "'", Attr("")},
        {"file = 'a.png'", "", Attr("")},
        {"file\t='a.png'", "", Attr("a.png")},
    };
    for (const ImageCase& c : cases) {
        EXPECT_EQ(ParseImageAttribute(c.image, c.modify), c.expected)
            << "image: " << c.image << " modify: " << c.modify;
    }
}

TEST(SkinImageAttributeParser, ArbitraryBytesStayInBounds) {
    std::string noise;
    for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 131 + 7) % 256);
    ImageAttribute a = ParseImageAttribute(noise, noise);
    EXPECT_GE(a.fade, 0);
    EXPECT_LE(a.fade, 255);
    std::string withNul("file='x\0y' fade='3'", 20);
    EXPECT_EQ(ParseImageAttribute(withNul).fade, 3);
}

TEST(SkinXmlReader, ReadsWhatLayoutFilesUse) {
    const char* text =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!DOCTYPE window>\n"
        "<!-- a comment -->\n"
        "<Window size='10,20'>\n"
        "  <Label text=\"a &lt;b&gt; &amp; &quot;c&quot; &apos;d&apos; &#x4E2D;&#25991;\"/>\n"
        "  <Text><![CDATA[<raw>]]> &amp; more</Text>\n"
        "</Window>\n"
        "<!-- trailing -->\n";
    XmlParseResult r = ParseXml(text);
    ASSERT_TRUE(r.root) << r.error;
    EXPECT_EQ(r.root->name, "Window");
    ASSERT_NE(r.root->Attribute("size"), nullptr);
    EXPECT_EQ(*r.root->Attribute("size"), "10,20");
    ASSERT_EQ(r.root->children.size(), 2u);
    EXPECT_EQ(*r.root->children[0].Attribute("text"), "a <b> & \"c\" 'd' \xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(r.root->children[1].text, "<raw> & more");
}

TEST(SkinXmlReader, MalformedInputGivesALineAndAReason) {
    struct Case {
        std::string text;
        const char* reason;
    };
    const Case cases[] = {
        {"", "no root element"},
        {"   ", "no root element"},
        {"<a>", "missing </a>"},
        {"<a></b>", "does not close"},
        {"<a x=1/>", "quoted value expected"},
        {"<a x='1' y/>", "'=' expected"},
        {"<a x='1<'/>", "'<' in attribute value"},
        {"<a x='1", "unterminated value"},
        {"<a>&bogus;</a>", "unknown entity"},
        {"<a>&#0;</a>", "unknown entity"},
        {"<a>&#xD800;</a>", "unknown entity"},
        {"<a>&#x110000;</a>", "unknown entity"},
        {"<a>& b</a>", "malformed entity"},
        {"<a/><b/>", "content after the root element"},
        {"<!-- x", "unterminated comment"},
        {"<a><![CDATA[x</a>", "unterminated CDATA"},
        {"<>", "name expected"},
        {"<a", "unterminated start tag"},
    };
    for (const Case& c : cases) {
        XmlParseResult r = ParseXml(c.text);
        EXPECT_FALSE(r.root) << c.text;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.text << " -> " << r.error;
    }
    XmlParseResult r = ParseXml("<a>\n\n<b></c></a>");
    EXPECT_EQ(r.error.rfind("line 3:", 0), 0u) << r.error;
}

TEST(SkinXmlReader, DeepNestingIsRefusedNotOverflowed) {
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<a>";
    XmlParseResult r = ParseXml(deep);
    EXPECT_FALSE(r.root);
    EXPECT_NE(r.error.find("nested too deeply"), std::string::npos);
}

TEST(SkinXmlReader, AttributeLists) {
    auto pairs = ParseAttributeList("width=\"20\" text='a &amp; b'");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"width", "20"}));
    EXPECT_EQ(pairs[1].second, "a & b");
    EXPECT_TRUE(ParseAttributeList("width=20").empty());
    EXPECT_TRUE(ParseAttributeList("x='1'/><b").empty());
}

}  // namespace
}  // namespace kelno::skin
