#include "platform/net/Base64.h"
#include "platform/net/ZlibCodec.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

QByteArray randomBytes(qsizetype n)
{
    QByteArray b(n, '\0');
    QRandomGenerator rng(1234);
    for (auto &c : b)
        c = char(rng.bounded(256));
    return b;
}

TEST(Zlib, RoundTripsAtEveryLevel)
{
    const QByteArray inputs[] = {{}, "a", QByteArray(1 << 20, '\0'), randomBytes(300 * 1024)};
    for (const QByteArray &in : inputs) {
        for (const int level : {-1, 0, 1, 9}) {
            SCOPED_TRACE(testing::Message() << "size " << in.size() << " level " << level);
            const QByteArray z = zlibDeflate(in, level);
            ASSERT_GE(z.size(), 2);
            EXPECT_EQ(quint8(z[0]) & 0x0f, 8) << "not a zlib (deflate) header";
            EXPECT_EQ(((quint8(z[0]) << 8) | quint8(z[1])) % 31, 0) << "bad zlib header check";
            EXPECT_EQ(zlibInflate(z, in.size()), in);
        }
    }
    EXPECT_LT(zlibDeflate(QByteArray(1 << 20, '\0')).size(), 8 * 1024);
    EXPECT_THROW(zlibDeflate("x", 10), ZlibError);
}

TEST(Zlib, InflateRejectsBadStreams)
{
    const QByteArray text = randomBytes(4096) + QByteArray(4096, 'z');
    const QByteArray good = zlibDeflate(text);
    QByteArray corrupt = good;
    corrupt[good.size() / 2] = char(corrupt[good.size() / 2] ^ 0x55);
    QByteArray badChecksum = good;
    badChecksum[good.size() - 1] = char(badChecksum[good.size() - 1] ^ 0x01);
    const QByteArray bomb = zlibDeflate(QByteArray(10 << 20, '\0'));

    const struct {
        const char *name;
        QByteArray input;
        qint64 limit;
    } cases[] = {
        {"empty", {}, 1 << 20},
        {"no header", good.mid(2), 1 << 20},
        {"truncated", good.left(good.size() - 5), 1 << 20},
        {"header only", good.left(2), 1 << 20},
        {"corrupt", corrupt, 1 << 20},
        {"bad checksum", badChecksum, 1 << 20},
        {"trailing garbage", good + "x", 1 << 20},
        {"over the limit by one", good, text.size() - 1},
        {"bomb", bomb, 1 << 20},
        {"not zlib at all", "hello world", 1 << 20},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            zlibInflate(c.input, c.limit);
            ADD_FAILURE() << "accepted";
        } catch (const ZlibError &e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
    }
    EXPECT_EQ(zlibInflate(good, text.size()), text);
}

TEST(Base64, EncodesStandardAlphabetWithPaddingAndNoLineBreaks)
{
    const std::pair<QByteArray, QByteArray> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foobar", "Zm9vYmFy"},
        {QByteArray("\xfb\xff\x00", 3), "+/8A"},
    };
    for (const auto &[plain, encoded] : vectors) {
        EXPECT_EQ(base64Encode(plain), encoded);
        EXPECT_EQ(base64Decode(encoded), plain);
    }
    const QByteArray long_ = base64Encode(randomBytes(5000));
    EXPECT_FALSE(long_.contains('\n'));
    EXPECT_EQ(base64Decode(long_), randomBytes(5000));
    EXPECT_EQ(base64Decode(" Zm9v\r\n YmFy\t"), "foobar");
    EXPECT_EQ(base64Decode("Zg= =\n"), "f");
}

TEST(Base64, DecodeRejectsAnythingOutsideTheAlphabet)
{
    const char *cases[] = {
        "Zm9v!",    // not in the alphabet
        "Zm9-",     // URL-safe alphabet
        "Zm9_",
        "Zg=",      // length not a multiple of four
        "Zm9vY",
        "Z===",     // too much padding
        "=Zg=",     // padding first
        "Zg==Zg==", // data after padding
        "Zm9v====",
        "Zm9\xc3\xa9",
    };
    for (const char *c : cases) {
        SCOPED_TRACE(c);
        EXPECT_THROW(base64Decode(c), Base64Error);
    }
    EXPECT_THROW(base64Decode(QByteArray("Zm9v\0", 5)), Base64Error);
}

} // namespace
