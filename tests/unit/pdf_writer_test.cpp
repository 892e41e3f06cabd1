#include "export/pdf_writer.h"

#include <gtest/gtest.h>
#include <string>

namespace nv {
namespace {

std::string Bytes(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s.push_back(static_cast<char>(b));
    return s;
}

TEST(RunLength, SmallInputs) {
    EXPECT_EQ(run_length_encode(""), Bytes({128}));
    EXPECT_EQ(run_length_encode("abc"), Bytes({2, 'a', 'b', 'c', 128}));
    EXPECT_EQ(run_length_encode("aaaab"), Bytes({0xFD, 'a', 0, 'b', 128}));
    EXPECT_EQ(run_length_encode("aaa"), Bytes({254, 'a', 128}));
    // Two equal bytes are not a run: they join the literal, also at the very end.
    EXPECT_EQ(run_length_encode("aabc"), Bytes({3, 'a', 'a', 'b', 'c', 128}));
    EXPECT_EQ(run_length_encode("abcc"), Bytes({3, 'a', 'b', 'c', 'c', 128}));
    EXPECT_EQ(run_length_encode("aabbb"), Bytes({1, 'a', 'a', 254, 'b', 128}));
}

TEST(RunLength, LongRunsAndLiteralsAreSplit) {
    EXPECT_EQ(run_length_encode(std::string(300, 'b')), Bytes({129, 'b', 129, 'b', 213, 'b', 128}));
    EXPECT_EQ(run_length_encode(std::string(128, 'z')), Bytes({129, 'z', 128}));
    std::string literal;
    for (int i = 0; i < 200; ++i) literal.push_back(static_cast<char>(i % 2 ? 'x' : i / 2));
    std::string enc = run_length_encode(literal);
    ASSERT_EQ(enc.size(), 1 + 128 + 1 + 72 + 1u);
    EXPECT_EQ(static_cast<unsigned char>(enc[0]), 127);
    EXPECT_EQ(enc.substr(1, 128), literal.substr(0, 128));
    EXPECT_EQ(static_cast<unsigned char>(enc[129]), 71);
    EXPECT_EQ(enc.substr(130, 72), literal.substr(128));
}

// Decodes RunLengthDecode data, to check the encoder against the standard's reading of it.
std::string Decode(const std::string& enc) {
    std::string out;
    for (std::size_t i = 0; i < enc.size();) {
        auto len = static_cast<unsigned char>(enc[i++]);
        if (len == 128)
            break;
        if (len < 128) {
            out.append(enc, i, len + 1u);
            i += len + 1u;
        } else {
            out.append(257u - len, enc[i++]);
        }
    }
    return out;
}

TEST(RunLength, BlankPageSizeAndRoundTripOfMixedContent) {
    EXPECT_EQ(run_length_encode(std::string(kPdfPageBytes, '\xFF')).size(), 94017u);
    std::string mixed;
    uint32_t seed = 7;
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1103515245u + 12345u;
        int kind = (seed >> 16) % 4;
        std::size_t len = (seed >> 8) % 300;
        if (kind == 0)
            mixed.append(len, static_cast<char>(seed >> 24));
        else
            mixed.push_back(static_cast<char>(seed >> 20));
    }
    EXPECT_EQ(Decode(run_length_encode(mixed)), mixed);
}

TEST(PdfWriter, CrossReferenceOffsetsPointAtTheirObjects) {
    std::string pdf = write_pdf({run_length_encode("x"), run_length_encode("yy")});
    EXPECT_NE(pdf.find("/Count 2 /Kids [3 0 R 6 0 R ]"), std::string::npos);
    EXPECT_NE(pdf.find("/XObject << /Im 7 0 R >> >> /Contents 8 0 R"), std::string::npos);
    std::size_t xref = pdf.find("xref\n0 9\n0000000000 65535 f \n");
    ASSERT_NE(xref, std::string::npos);
    std::size_t entries = xref + std::string("xref\n0 9\n0000000000 65535 f \n").size();
    for (int obj = 1; obj <= 8; ++obj) {
        std::string entry = pdf.substr(entries + 20 * (obj - 1), 20);
        EXPECT_EQ(entry.substr(10), " 00000 n \n");
        std::size_t off = std::stoul(entry.substr(0, 10));
        EXPECT_EQ(pdf.substr(off, std::to_string(obj).size() + 7),
                  std::to_string(obj) + " 0 obj\n");
    }
    EXPECT_EQ(pdf.substr(entries + 160, 8), "trailer\n");
}

TEST(PdfWriter, NoPagesStillMakesAWellFormedFile) {
    std::string pdf = write_pdf({});
    EXPECT_NE(pdf.find("/Count 0 /Kids [] >>"), std::string::npos);
    EXPECT_NE(pdf.find("xref\n0 3\n"), std::string::npos);
}

}  // namespace
}  // namespace nv

namespace nv {
namespace {

// The encoding rule transcribed as plainly as possible, to check the word-at-a-time encoder.
std::string ReferenceEncode(const std::string& in) {
    std::string out;
    std::size_t i = 0, n = in.size();
    while (i < n) {
        std::size_t r = 1;
        while (r < 128 && i + r < n && in[i + r] == in[i]) ++r;
        if (r >= 3) {
            out.push_back(static_cast<char>(257 - r));
            out.push_back(in[i]);
            i += r;
            continue;
        }
        std::size_t s = i;
        i = s + r;
        while (i < n && i - s < 128 && !(i + 2 < n && in[i] == in[i + 1] && in[i] == in[i + 2]))
            ++i;
        out.push_back(static_cast<char>(i - s - 1));
        out.append(in, s, i - s);
    }
    out.push_back(static_cast<char>(128));
    return out;
}

TEST(RunLength, MatchesThePlainRuleOnEveryShapeOfInput) {
    uint32_t seed = 99;
    auto rnd = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string in;
        std::size_t len = rnd() % 400;
        int alphabet = 1 + static_cast<int>(rnd() % 4);  // small alphabets make runs of all sizes
        while (in.size() < len) {
            if (rnd() % 5 == 0)
                in.append(rnd() % 140, static_cast<char>(rnd() % alphabet));
            else
                in.push_back(static_cast<char>(rnd() % alphabet));
        }
        in.resize(len);
        ASSERT_EQ(run_length_encode(in), ReferenceEncode(in)) << "round " << round;
    }
    // A run of every length up to past 128, ended by another byte at each position the wide
    // scan checks.
    for (std::size_t length = 1; length <= 140; ++length) {
        std::string in = std::string(length, 'a') + "b" + std::string(200, 'a');
        ASSERT_EQ(run_length_encode(in), ReferenceEncode(in)) << "run of " << length;
    }
}

}  // namespace
}  // namespace nv
