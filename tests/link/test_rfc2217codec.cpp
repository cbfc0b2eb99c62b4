// The Telnet/RFC 2217 codec over bytes: what the server sends, in the pieces it arrives in,
// gives the board's data, our answers and the server's COM-PORT-OPTION answers; what we send
// has 0xFF doubled. The wire bytes are written out here, not taken from the codec.
#include "Rfc2217Codec.h"

#include <gtest/gtest.h>

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}

QByteArray everyByte()
{
    QByteArray b;
    for (int v = 0; v < 256; ++v)
        b.append(char(v));
    return b;
}

struct Row {
    const char* what;
    QList<QByteArray> pieces = {}; // from the server, as the reads bring them
    QByteArray data = {};          // the board's bytes among them
    QByteArray replies = {};       // what we answer
    QList<Rfc2217Codec::Answer> answers = {};
    bool agreed = false, refused = false;
};

} // namespace

TEST(Rfc2217Codec, ServerBytesGiveDataAnswersAndReplies)
{
    const QByteArray offer =
        bytes({0xFF, 0xFB, 0x00, 0xFF, 0xFB, 0x03, 0xFF, 0xFB, 0x2C, 0xFF, 0xFD, 0x00, 0xFF, 0xFD, 0x03});
    Rfc2217Codec fresh;
    EXPECT_EQ(fresh.start(), offer); // WILL BINARY, SGA, COM-PORT-OPTION; DO BINARY, SGA

    QByteArray doubled; // every value once, 0xFF doubled as the server sends it
    for (int v = 0; v < 256; ++v)
        doubled.append(char(v)).append(v == 0xFF ? "\xFF" : "");
    const QByteArray ser2netGreeting = bytes({0xFF, 0xFB, 0x03, 0xFF, 0xFD, 0x03, 0xFF, 0xFB, 0x01, 0xFF, 0xFE,
                                              0x01, 0xFF, 0xFD, 0x00, 0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x2C});
    const QList<Row> rows{
        {"ser2net's greeting: ECHO refused, the rest was asked for",
         {ser2netGreeting},
         {},
         bytes({0xFF, 0xFE, 0x01}),
         {},
         true},
        {"a server that says WILL COM-PORT-OPTION and refuses ours",
         {bytes({0xFF, 0xFB, 0x2C, 0xFF, 0xFE, 0x2C})},
         {},
         bytes({0xFF, 0xFD, 0x2C}),
         {},
         true},
        {"a server without COM-PORT-OPTION", {bytes({0xFF, 0xFE, 0x2C, 0xFF, 0xFD, 0x00})}, {}, {}, {}, false, true},
        {"IAC split across reads",
         {"ab\xFF",
          "\xFF"
          "c\xFF",
          bytes({0xF1}) + "d"},
         "ab\xFF"
         "cd"},
        {"every byte value, CR NUL and CR LF kept", {doubled.left(100), doubled.mid(100)}, everyByte()},
        {"a subnegotiation across reads, 0xFF in its value",
         {bytes({0xFF, 0xFA, 0x2C, 0x65, 0x00}), bytes({0x00, 0xE1, 0xFF}), bytes({0xFF, 0x00, 0xFF}),
          bytes({0xF0}) + "x"},
         "x",
         {},
         {{101, bytes({0x00, 0x00, 0xE1, 0xFF, 0x00})}}},
        {"unknown options refused, their subnegotiations dropped",
         {bytes({0xFF, 0xFB, 0x18, 0xFF, 0xFD, 0x1F, 0xFF, 0xFA, 0x18, 0x01, 0xFF, 0xF0}) + "ok"},
         "ok",
         bytes({0xFF, 0xFE, 0x18, 0xFF, 0xFC, 0x1F})},
        {"DO ECHO refused; what is in force is not answered again",
         {bytes({0xFF, 0xFD, 0x01, 0xFF, 0xFD, 0x00, 0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00})},
         {},
         bytes({0xFF, 0xFC, 0x01})},
        {"BINARY switched off and acknowledged",
         {bytes({0xFF, 0xFD, 0x00, 0xFF, 0xFE, 0x00})},
         {},
         bytes({0xFF, 0xFC, 0x00})},
        {"a command inside a subnegotiation ends it", {bytes({0xFF, 0xFA, 0x2C, 0x65, 0xFF, 0xF1}) + "y"}, "y"},
        {"an overlong subnegotiation is dropped",
         {bytes({0xFF, 0xFA, 0x2C, 0x65}) + QByteArray(300, 'z') + bytes({0xFF, 0xF0}) + "e"},
         "e"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Rfc2217Codec codec;
        (void)codec.start();
        QByteArray data;
        for (const QByteArray& piece : row.pieces)
            data += codec.decode(piece);
        EXPECT_EQ(data, row.data);
        EXPECT_EQ(codec.takeReplies(), row.replies);
        EXPECT_EQ(codec.takeAnswers(), row.answers);
        EXPECT_EQ(codec.comPortAgreed(), row.agreed);
        EXPECT_EQ(codec.comPortRefused(), row.refused);
    }

    // Our side: data with 0xFF doubled, a request with its value doubled.
    EXPECT_EQ(Rfc2217Codec::encode(everyByte()), doubled);
    EXPECT_EQ(Rfc2217Codec::encode(QByteArray("\r\0", 2)), QByteArray("\r\0", 2));
    EXPECT_EQ(Rfc2217Codec::request(1, bytes({0x00, 0x00, 0xE1, 0x00})),
              bytes({0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x00, 0xE1, 0x00, 0xFF, 0xF0}));
    EXPECT_EQ(Rfc2217Codec::request(1, bytes({0xFF})), bytes({0xFF, 0xFA, 0x2C, 0x01, 0xFF, 0xFF, 0xFF, 0xF0}));
}
