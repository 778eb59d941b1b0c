// The reader of the installed portal descriptions, and the call checker our test portal runs every
// call through: if either were wrong, the portal tests would pass against a portal unlike the real one.
#include "support/portal/InterfaceDescription.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace nodo::testing;

namespace {

const QString kDir = QStringLiteral(NODO_PORTAL_INTERFACES);

InterfaceDescription Installed(const QString& file, const QString& name) {
    QString why;
    auto desc = ReadInterfaceDescription(kDir + QLatin1Char('/') + file, name, &why);
    EXPECT_TRUE(desc) << why.toStdString();
    return desc.value_or(InterfaceDescription{});
}

TEST(PortalDescription, ScreenshotAsInstalled) {
    const InterfaceDescription s = Installed(QStringLiteral("org.freedesktop.portal.Screenshot.xml"),
                                             QStringLiteral("org.freedesktop.portal.Screenshot"));
    EXPECT_EQ(s.name, QStringLiteral("org.freedesktop.portal.Screenshot"));
    // xdg-desktop-portal 1.16 (Debian 12) documents version 2: the one with "interactive".
    EXPECT_GE(s.version, 2u);
    ASSERT_TRUE(s.methods.contains(QStringLiteral("Screenshot")));
    const MethodDescription shot = s.methods.value(QStringLiteral("Screenshot"));
    EXPECT_EQ(shot.inSignature(), QStringLiteral("sa{sv}"));
    EXPECT_EQ(shot.outSignature(), QStringLiteral("o"));
    EXPECT_EQ(shot.options.value(QStringLiteral("handle_token")), QStringLiteral("s"));
    EXPECT_EQ(shot.options.value(QStringLiteral("interactive")), QStringLiteral("b"));
    EXPECT_EQ(shot.options.value(QStringLiteral("modal")), QStringLiteral("b"));
    EXPECT_FALSE(shot.options.contains(QStringLiteral("uri"))); // a result, not an option
    EXPECT_EQ(shot.results.value(QStringLiteral("uri")), QStringLiteral("s"));
    EXPECT_EQ(s.methods.value(QStringLiteral("PickColor")).results.value(QStringLiteral("color")),
              QStringLiteral("(ddd)"));
    ASSERT_TRUE(s.properties.contains(QStringLiteral("version")));
    EXPECT_EQ(s.properties.value(QStringLiteral("version")).type, QStringLiteral("u"));
    EXPECT_EQ(s.properties.value(QStringLiteral("version")).access, QStringLiteral("read"));
    // What an Introspect of our portal gives is read back the same.
    EXPECT_TRUE(s.introspection().contains(
        QStringLiteral("<arg type=\"a{sv}\" name=\"options\" direction=\"in\"/>")));
}

TEST(PortalDescription, RequestAsInstalled) {
    const InterfaceDescription r = Installed(QStringLiteral("org.freedesktop.portal.Request.xml"),
                                             QStringLiteral("org.freedesktop.portal.Request"));
    ASSERT_TRUE(r.methods.contains(QStringLiteral("Close")));
    EXPECT_EQ(r.methods.value(QStringLiteral("Close")).inSignature(), QString());
    ASSERT_TRUE(r.signals_.contains(QStringLiteral("Response")));
    EXPECT_EQ(r.signals_.value(QStringLiteral("Response")).signature(), QStringLiteral("ua{sv}"));
}

TEST(PortalDescription, MissingOrForeignFilesAreReported) {
    QString why;
    EXPECT_FALSE(
        ReadInterfaceDescription(kDir + QStringLiteral("/no.such.Interface.xml"), QStringLiteral("x"), &why));
    EXPECT_FALSE(why.isEmpty());
    why.clear();
    EXPECT_FALSE(ReadInterfaceDescription(kDir + QStringLiteral("/org.freedesktop.portal.Request.xml"),
                                          QStringLiteral("org.freedesktop.portal.Screenshot"), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("does not describe")));

    QTemporaryDir dir;
    QFile broken(dir.filePath(QStringLiteral("broken.xml")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<node><interface name=\"a.B\"><method name=\"M\">");
    broken.close();
    EXPECT_FALSE(ReadInterfaceDescription(broken.fileName(), QStringLiteral("a.B"), &why));
}

struct CallCase {
    const char* name;
    QString member, signature;
    QVariantMap options;
    int problems;
};

class ScreenshotCalls : public ::testing::TestWithParam<CallCase> {};

TEST_P(ScreenshotCalls, AreCheckedAgainstTheDescription) {
    static const InterfaceDescription s = Installed(QStringLiteral("org.freedesktop.portal.Screenshot.xml"),
                                                    QStringLiteral("org.freedesktop.portal.Screenshot"));
    const CallCase& c = GetParam();
    const QStringList wrong = CheckCall(s, c.member, c.signature, c.options);
    EXPECT_EQ(wrong.size(), c.problems) << wrong.join(QStringLiteral("; ")).toStdString();
}

const QString kShot = QStringLiteral("Screenshot");
const QString kSig = QStringLiteral("sa{sv}");

INSTANTIATE_TEST_SUITE_P(
    Portal, ScreenshotCalls,
    ::testing::Values(
        CallCase{"as_described", kShot, kSig, {{"handle_token", "nodo1234abcd"}, {"interactive", false}}, 0},
        CallCase{"no_options", kShot, kSig, {}, 0},
        CallCase{"modal_too", kShot, kSig, {{"modal", true}, {"interactive", false}}, 0},
        CallCase{"unknown_method", QStringLiteral("Grab"), kSig, {}, 1},
        CallCase{"options_missing", kShot, QStringLiteral("s"), {}, 1},
        CallCase{"parent_not_a_string", kShot, QStringLiteral("ua{sv}"), {}, 1},
        CallCase{"undescribed_key", kShot, kSig, {{"delay", 3u}}, 1},
        CallCase{"interactive_as_text", kShot, kSig, {{"interactive", QStringLiteral("false")}}, 1},
        CallCase{"token_as_number", kShot, kSig, {{"handle_token", 7u}}, 1},
        CallCase{"token_not_a_path_element", kShot, kSig, {{"handle_token", "nodo-1"}}, 1},
        CallCase{"pick_color_as_described", QStringLiteral("PickColor"), kSig, {{"handle_token", "t1"}}, 0},
        CallCase{
            "pick_color_is_not_interactive", QStringLiteral("PickColor"), kSig, {{"interactive", false}}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
