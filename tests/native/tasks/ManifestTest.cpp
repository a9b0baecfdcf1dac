// The download manifest: its parser as a table, the order of the rules a
// fetched manifest must pass (signature line, signature, fields, channel,
// serial, expiry), the times it reads, the publisher's key, the mirror
// order and what is kept under HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tasks/ChannelMemory.h"
#include "tasks/DateText.h"
#include "tasks/Manifest.h"
#include "tasks/ManifestCheck.h"
#include "tasks/MirrorList.h"
#include "tests/fakes/FakeConfigPlatform.h"
#include "tests/fakes/FakeSignatureVerifier.h"
#include "tests/native/tasks/ManifestText.h"

namespace {

const std::string kDigest = "00112233445566778899aabbccddeeff00112233445566778899AABBCCDDEEFF";
// 2030-01-01T00:00:00Z
constexpr int64_t k2030 = 1893456000;
constexpr int64_t kDay = 86400;

std::string Fields(const std::string& eol = "\n")
{
    return "serial=7" + eol + "expires=2030-01-01T00:00:00Z" + eol + "size=1048576" + eol + "sha256=" + kDigest +
           eol + "url=https://a.example/setup.exe" + eol + "channel=beta" + eol + "url=http://b.example:8080/setup.exe" +
           eol;
}

// A launcher of channel "beta" built a year before the manifest expires,
// on a computer whose clock says a day before.
ManifestContext Context()
{
    ManifestContext context;
    context.publicPoint = TestKey();
    context.channel = L"beta";
    context.localNow = k2030 - kDay;
    context.buildTime = k2030 - 365 * kDay;
    return context;
}

ManifestFault Check(const std::vector<uint8_t>& bytes, const ManifestContext& context, Manifest& manifest)
{
    FakeSignatureVerifier verifier;
    uint32_t error = 0;
    return CheckManifest(bytes, context, verifier, manifest, error);
}

ManifestFault Check(const std::vector<uint8_t>& bytes)
{
    Manifest manifest;
    return Check(bytes, Context(), manifest);
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

}  // namespace

TEST(ManifestTest, AGoodManifestGivesItsFields)
{
    for (const std::string& eol : {std::string("\n"), std::string("\r\n")}) {
        Manifest manifest;
        ASSERT_EQ(Check(Signed(Fields(eol) + "signer=Example Games Ltd" + eol + "later=ignored" + eol, eol),
                        Context(), manifest),
                  ManifestFault::None);
        EXPECT_EQ(manifest.serial, 7u);
        EXPECT_EQ(manifest.expires, k2030);
        EXPECT_EQ(manifest.size, 1048576u);
        ASSERT_EQ(manifest.sha256.size(), 32u);
        EXPECT_EQ(manifest.sha256[1], 0x11);
        EXPECT_EQ(manifest.sha256[31], 0xFF);
        EXPECT_EQ(manifest.signer, L"Example Games Ltd");
        EXPECT_EQ(manifest.channel, L"beta");
        EXPECT_EQ(manifest.urls, (std::vector<std::wstring>{L"https://a.example/setup.exe",
                                                             L"http://b.example:8080/setup.exe"}));
    }
}

TEST(ManifestTest, EachBrokenRuleGivesItsCode)
{
    const std::string good = Fields();
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        ManifestFault fault;
    };
    std::vector<uint8_t> changed = Signed(good);
    changed[3] ^= 1;
    std::vector<uint8_t> shortSignature(good.begin(), good.end());
    const std::string shortLine = "signature=" + Base64(std::vector<uint8_t>(63, 1)) + "\n";
    shortSignature.insert(shortSignature.end(), shortLine.begin(), shortLine.end());
    std::vector<uint8_t> bom = Signed("\xEF\xBB\xBF" + good);
    std::vector<uint8_t> noBreak = Signed(good, "");
    std::vector<uint8_t> tooLong = Signed(good + "comment=" + std::string(kMaxManifestBytes, 'x') + "\n");

    const std::vector<Case> cases = {
        {"a byte-order mark", bom, ManifestFault::None},
        {"no line break after the signature", noBreak, ManifestFault::None},
        {"no signature line", std::vector<uint8_t>(good.begin(), good.end()), ManifestFault::Malformed},
        {"a signature of 63 bytes", shortSignature, ManifestFault::Malformed},
        {"a blank line after the signature", Signed(good, "\n\n"), ManifestFault::Malformed},
        {"a line after the signature", Signed(good, "\nurl=https://evil.example/x.exe\n"), ManifestFault::Malformed},
        {"a CR alone after the signature", Signed(good, "\r"), ManifestFault::Malformed},
        {"more than 64 KB", tooLong, ManifestFault::Malformed},
        {"a changed byte", changed, ManifestFault::BadSignature},
        {"another key", Signed(good, "\n", 2), ManifestFault::BadSignature},
        {"another key and a missing field", Signed("serial=7\n", "\n", 2), ManifestFault::BadSignature},
        {"no serial", Signed(Replace(good, "serial=7\n", "")), ManifestFault::Malformed},
        {"no expiry", Signed(Replace(good, "expires=2030-01-01T00:00:00Z\n", "")), ManifestFault::Malformed},
        {"no size", Signed(Replace(good, "size=1048576\n", "")), ManifestFault::Malformed},
        {"no digest", Signed(Replace(good, "sha256=" + kDigest + "\n", "")), ManifestFault::Malformed},
        {"no address",
         Signed(Replace(Replace(good, "url=https://a.example/setup.exe\n", ""), "url=http://b.example:8080/setup.exe\n",
                        "")),
         ManifestFault::Malformed},
        {"serial 0", Signed(Replace(good, "serial=7", "serial=0")), ManifestFault::Malformed},
        {"a signed serial", Signed(Replace(good, "serial=7", "serial=+7")), ManifestFault::Malformed},
        {"a blank in the serial", Signed(Replace(good, "serial=7", "serial= 7")), ManifestFault::Malformed},
        {"a serial beyond 64 bits", Signed(Replace(good, "serial=7", "serial=18446744073709551616")),
         ManifestFault::Malformed},
        {"an expiry without Z", Signed(Replace(good, "00:00:00Z", "00:00:00")), ManifestFault::Malformed},
        {"30 February", Signed(Replace(good, "2030-01-01", "2030-02-30")), ManifestFault::Malformed},
        {"a size of words", Signed(Replace(good, "size=1048576", "size=1MB")), ManifestFault::Malformed},
        {"a digest of 63 digits", Signed(Replace(good, kDigest, kDigest.substr(1))), ManifestFault::Malformed},
        {"an ftp address", Signed(Replace(good, "https://a.", "ftp://a.")), ManifestFault::Malformed},
        {"a blank in an address", Signed(Replace(good, "setup.exe\n", "set up.exe\n")), ManifestFault::Malformed},
        {"an address without a host", Signed(Replace(good, "https://a.example/", "https:///")),
         ManifestFault::Malformed},
        {"an address with a query and no host", Signed(Replace(good, "https://a.example/", "https://?")),
         ManifestFault::Malformed},
        {"an address with a fragment and no host", Signed(Replace(good, "https://a.example/", "https://#")),
         ManifestFault::Malformed},
        {"an empty signer", Signed(good + "signer=\n"), ManifestFault::Malformed},
        {"a line without =", Signed(good + "hello\n"), ManifestFault::Malformed},
        {"a blank line", Signed(good + "\n"), ManifestFault::Malformed},
        {"a CR alone inside a line", Signed(Replace(good, "size=1048576\n", "size=1048576\rsize=1\n")),
         ManifestFault::Malformed},
        {"text that is not UTF-8", Signed(good + "signer=\xC0\xAF\n"), ManifestFault::Malformed},
        {"the serial twice", Signed(good + "serial=8\n"), ManifestFault::Malformed},
        {"the digest twice", Signed(good + "sha256=" + kDigest + "\n"), ManifestFault::Malformed},
        {"the signer twice", Signed(good + "signer=A\nsigner=A\n"), ManifestFault::Malformed},
        {"a signature line inside", Signed(good + "signature=AAAA\n"), ManifestFault::Malformed},
        {"no channel", Signed(Replace(good, "channel=beta\n", "")), ManifestFault::Malformed},
        {"an empty channel", Signed(Replace(good, "channel=beta", "channel=")), ManifestFault::Malformed},
        {"the channel twice", Signed(good + "channel=beta\n"), ManifestFault::Malformed},
        {"a tab in the channel", Signed(Replace(good, "channel=beta", "channel=be\tta")), ManifestFault::Malformed},
        {"another channel", Signed(Replace(good, "channel=beta", "channel=stable")), ManifestFault::OtherChannel},
        {"the channel in other case", Signed(Replace(good, "channel=beta", "channel=Beta")),
         ManifestFault::OtherChannel},
        {"the channel with a blank after it", Signed(Replace(good, "channel=beta", "channel=beta ")),
         ManifestFault::OtherChannel},
        {"another channel and a missing field", Signed(Replace(Replace(good, "channel=beta", "channel=stable"),
                                                               "size=1048576\n", "")),
         ManifestFault::Malformed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Check(c.bytes), c.fault) << c.what;
}

TEST(ManifestTest, ChannelSerialAndExpiryRules)
{
    struct Case {
        const char* what;
        const char* channel;
        bool hasAccepted;
        uint64_t accepted;
        int64_t localNow;
        bool hasDate;
        int64_t serverNow;
        int64_t buildTime;
        ManifestFault fault;
    };
    const int64_t before = k2030 - 1;
    const int64_t built = k2030 - 365 * kDay;
    const int64_t ahead = k2030 + 3 * 365 * kDay;
    const std::vector<Case> cases = {
        {"first manifest of this address", "beta", false, 0, before, false, 0, built, ManifestFault::None},
        {"a higher serial", "beta", true, 6, before, true, before, built, ManifestFault::None},
        {"the same serial again", "beta", true, 7, before, true, before, built, ManifestFault::None},
        {"an older serial", "beta", true, 8, before, true, before, built, ManifestFault::OlderSerial},
        {"an older serial that has also expired", "beta", true, 8, k2030 + 5, false, 0, built,
         ManifestFault::OlderSerial},
        {"another channel with an older serial", "stable", true, 8, before, false, 0, built,
         ManifestFault::OtherChannel},
        {"a launcher without a channel", "", false, 0, before, false, 0, built, ManifestFault::OtherChannel},
        // Any witness of the time may call it expired; none can rescue it.
        {"expired by the clock, no Date", "beta", false, 0, k2030, false, 0, built, ManifestFault::Expired},
        {"expired by the clock and the Date", "beta", false, 0, k2030 + 5, true, k2030 + 5, built,
         ManifestFault::Expired},
        {"expired by the clock, a replayed old Date", "beta", false, 0, k2030 + 5, true, before, built,
         ManifestFault::Expired},
        {"a clock years ahead, a good Date", "beta", false, 0, ahead, true, before, built, ManifestFault::Expired},
        {"a good clock, a Date past the expiry", "beta", false, 0, before, true, k2030 + 5, built,
         ManifestFault::Expired},
        {"a good clock, built after the expiry", "beta", false, 0, k2030 + 5 * kDay, false, 0, k2030 + kDay,
         ManifestFault::Expired},
        // A clock before the build is wrong: it is named, not the manifest.
        {"a clock before the build, a Date past the expiry", "beta", false, 0, built - 1, true, k2030 + 5, built,
         ManifestFault::WrongClock},
        {"a clock before the build, built after the expiry", "beta", false, 0, k2030 - kDay, false, 0, k2030 + kDay,
         ManifestFault::WrongClock},
        {"a clock before the build, the manifest still valid", "beta", false, 0, built - 365 * kDay, true, before,
         built, ManifestFault::None},
    };
    for (const Case& c : cases) {
        ManifestContext context = Context();
        context.channel = std::wstring(c.channel, c.channel + std::char_traits<char>::length(c.channel));
        context.hasAcceptedSerial = c.hasAccepted;
        context.acceptedSerial = c.accepted;
        context.localNow = c.localNow;
        context.hasServerNow = c.hasDate;
        context.serverNow = c.serverNow;
        context.buildTime = c.buildTime;
        Manifest manifest;
        EXPECT_EQ(Check(Signed(Fields()), context, manifest), c.fault) << c.what;
    }
}

TEST(ManifestTest, TimesAsTheyAreWritten)
{
    int64_t seconds = 0;
    EXPECT_TRUE(ParseUtcTime("1994-11-06T08:49:37Z", seconds));
    EXPECT_EQ(seconds, 784111777);
    EXPECT_TRUE(ParseUtcTime("2028-02-29T23:59:59Z", seconds));
    EXPECT_FALSE(ParseUtcTime("2027-02-29T00:00:00Z", seconds));
    EXPECT_FALSE(ParseUtcTime("2027-01-01T24:00:00Z", seconds));
    EXPECT_FALSE(ParseUtcTime("2027-01-01 00:00:00Z", seconds));
    EXPECT_TRUE(ParseHttpDate(L"Sun, 06 Nov 1994 08:49:37 GMT", seconds));
    EXPECT_EQ(seconds, 784111777);
    EXPECT_FALSE(ParseHttpDate(L"Sunday, 06-Nov-94 08:49:37 GMT", seconds));
    EXPECT_FALSE(ParseHttpDate(L"Sun, 06 Nox 1994 08:49:37 GMT", seconds));
    EXPECT_FALSE(ParseHttpDate(L"", seconds));
}

TEST(ManifestTest, ThePublishersKeyIsAP256PointInDer)
{
    std::vector<uint8_t> point;
    // openssl pkey -pubout -outform DER | base64 -w0, of a P-256 key.
    ASSERT_TRUE(ParseP256PublicKey(L"MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEM6mlL/QUeaQ+t/R2Z4jROmPgvL98zZfh3N7J8Iw127LNRe"
                                   L"tU3irt1IwYeumgY88OYdwaANNsz4ygx4oWnp4XNA==",
                                   point));
    ASSERT_EQ(point.size(), 64u);
    EXPECT_EQ(point[0], 0x33);
    EXPECT_EQ(point[63], 0x34);
    // The same key with a compressed point, a P-384 key, and garbage.
    EXPECT_FALSE(ParseP256PublicKey(L"MDkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDIgACM6mlL/QUeaQ+t/R2Z4jROmPgvL98zZfh3N7J8Iw127I=",
                                    point));
    EXPECT_FALSE(ParseP256PublicKey(L"MHYwEAYHKoZIzj0CAQYFK4EEACIDYgAELlE+qvXbJKMcCiaXY7XdR0iKoDs2l6XVhgpjNZgK/OJOEloZmrVt"
                                    L"UbSy4PIp4i0TdNR5bFfQfht+LRvE6wmhl4Sr8iNG1VvBaWGV9zQHsvAA38dl+xlNiijcq8ID1dCX",
                                    point));
    EXPECT_FALSE(ParseP256PublicKey(L"not a key", point));
}

TEST(MirrorListTest, RetriesSpreadAndFinalFailuresDrop)
{
    MirrorList list({L"a", L"b", L"c"}, L"");
    EXPECT_EQ(list.Current(), L"a");
    list.MoveOn();
    EXPECT_EQ(list.Current(), L"b");
    list.MoveOn();
    list.MoveOn();
    EXPECT_EQ(list.Current(), L"a");  // wraps around
    ASSERT_TRUE(list.Drop());         // a fails for good
    EXPECT_EQ(list.Current(), L"b");
    list.MoveOn();
    EXPECT_EQ(list.Current(), L"c");
    list.MoveOn();
    EXPECT_EQ(list.Current(), L"b");  // a is out of the race
    ASSERT_TRUE(list.Drop());
    EXPECT_EQ(list.Current(), L"c");
    list.MoveOn();
    EXPECT_EQ(list.Current(), L"c");
    EXPECT_FALSE(list.Drop());
}

TEST(MirrorListTest, TheLastGoodAddressComesFirstWhenListed)
{
    EXPECT_EQ(MirrorList({L"a", L"b", L"c"}, L"c").Current(), L"c");
    MirrorList list({L"a", L"b", L"c"}, L"b");
    list.MoveOn();
    EXPECT_EQ(list.Current(), L"a");  // then the publisher's order
    list.MoveOn();
    EXPECT_EQ(list.Current(), L"c");
    EXPECT_EQ(MirrorList({L"a", L"b"}, L"gone").Current(), L"a");
}

TEST(ChannelMemoryTest, KeepsTheHighestSerialPerChannelAndTheLastGoodAddress)
{
    FakeRegistry registry;
    ChannelMemory memory(&registry);
    uint64_t serial = 0;
    EXPECT_FALSE(memory.AcceptedSerial(L"https://m.example/a", L"beta", serial));
    memory.Accept(L"https://m.example/a", L"beta", 18446744073709551615ull);
    memory.Accept(L"https://m.example/b", L"beta", 5);
    memory.Accept(L"https://m.example/b", L"beta", 3);
    ASSERT_TRUE(memory.AcceptedSerial(L"https://m.example/a", L"beta", serial));
    EXPECT_EQ(serial, 18446744073709551615ull);
    ASSERT_TRUE(memory.AcceptedSerial(L"https://m.example/b", L"beta", serial));
    EXPECT_EQ(serial, 5u);
    // Each channel counts on its own, at the same address too.
    EXPECT_FALSE(memory.AcceptedSerial(L"https://m.example/b", L"stable", serial));
    memory.Accept(L"https://m.example/b", L"stable", 2);
    ASSERT_TRUE(memory.AcceptedSerial(L"https://m.example/b", L"stable", serial));
    EXPECT_EQ(serial, 2u);
    ASSERT_TRUE(memory.AcceptedSerial(L"https://m.example/b", L"beta", serial));
    EXPECT_EQ(serial, 5u);
    registry.PutString(L"Software\\quillmerex\\Manifests", L"https://m.example/c beta", L"12x");
    EXPECT_FALSE(memory.AcceptedSerial(L"https://m.example/c", L"beta", serial));

    EXPECT_EQ(memory.LastGoodAddress(L"https://m.example/a"), L"");
    memory.RememberGoodAddress(L"https://m.example/a", L"https://mirror2.example/setup.exe");
    EXPECT_EQ(memory.LastGoodAddress(L"https://m.example/a"), L"https://mirror2.example/setup.exe");
}
