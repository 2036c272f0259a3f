#include "shipping/authenticode/names_and_times.h"
#include "shipping/pe/test_images.h"

#include <gtest/gtest.h>

namespace kitbag {
namespace {

using namespace test::der;

TEST(NamesAndTimes, NamesAreWrittenAsRfc4514WritesThem) {
    const Bytes bmp = DerEncode(
        0x31,
        DerEncode(0x30, Cat({DerEncode(0x06, kCommonName),
                             DerEncode(0x1E, {0x00, 'A', 0x04, 0x16, 0xD8, 0x3D, 0xDE, 0x00})})));
    const Bytes universal =
        DerEncode(0x31, DerEncode(0x30, Cat({DerEncode(0x06, kCommonName),
                                             DerEncode(0x1C, {0, 0, 0, 'Z', 0, 0, 0, 0xE9})})));
    const Bytes multi = DerEncode(
        0x31,
        Cat({DerEncode(0x30, Cat({DerEncode(0x06, kCommonName), DerEncode(0x13, Text("a"))})),
             DerEncode(0x30, Cat({DerEncode(0x06, kOrganization), DerEncode(0x13, Text("b"))}))}));
    const Bytes other = DerEncode(
        0x31, DerEncode(0x30, Cat({DerEncode(0x06, {0x55, 0x04, 0x61}), DerEncode(0x02, {0x05})})));
    const struct {
        Bytes name;
        std::string text;
    } rows[] = {
        {Name({{{0x55, 0x04, 0x06}, 0x13, "GB"},
               {kOrganization, 0x0C, "A, B + C"},
               {kCommonName, 0x0C, "Signer"}}),
         "CN=Signer, O=A\\, B \\+ C, C=GB"},
        {Name({{kCommonName, 0x0C, "\x1B[31mred\x7F"}}), "CN=\\1B[31mred\\7F"},
        {Name({{kCommonName, 0x0C,
                "\xC2\x9B"
                "2J"}}),
         "CN=\\C2\\9B2J"},
        {Name({{kCommonName, 0x0C, " #lead;trail "}}), "CN=\\ #lead\\;trail\\ "},
        {Name({{kCommonName, 0x0C, "#x"}}), "CN=\\#x"},
        {Name({{kCommonName, 0x0C, "caf\xC3\xA9"}}), "CN=caf\xC3\xA9"},
        {Name({{kCommonName, 0x0C, "bad \xC3"}}), "CN=#0C05626164"
                                                  "20C3"},
        {Name({{kCommonName, 0x16, "ia5"}}), "CN=ia5"},
        {DerEncode(0x30, bmp), "CN=A\xD0\x96\xF0\x9F\x98\x80"},
        {DerEncode(0x30, universal), "CN=Z\xC3\xA9"},
        {DerEncode(0x30, multi), "CN=a+O=b"},
        {DerEncode(0x30, other), "2.5.4.97=#020105"},
        {DerEncode(0x30, {}), ""},
        {DerEncode(0x31, {}), ""},
        {Bytes{0x30, 0x05, 0x31}, ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(NameText(row.name), row.text);
}

} // namespace
} // namespace kitbag
