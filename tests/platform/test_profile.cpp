// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/profile.h"

#include "testing.h"

#include <gtest/gtest.h>

namespace sv {
namespace {

using namespace std::string_literals;
using testing::Sjis;

TEST(ProfileRead, NamesIgnoreCaseAndTheFirstSectionAndKeyCount) {
    const ProfileFile p = ProfileFile::FromBytes(
        "Top=0\r\n[path]\r\nsOuRcE=a\r\nSOURCE=b\r\n[Other]\r\nX=1\r\n[PATH]\r\nLate=2\r\n");
    EXPECT_EQ(p.ReadString("Path", "Source", "-"), "a");
    EXPECT_EQ(p.ReadString("Path", "X", "-"), "-");    // belongs to another section
    EXPECT_EQ(p.ReadString("Path", "Late", "-"), "-"); // only the first [Path] counts
    EXPECT_EQ(p.ReadString("", "Top", "-"), "-");

    ProfileFile q = p;
    q.DeleteKey("PATH", "source"); // a duplicate must not step into its place
    EXPECT_FALSE(q.KeyExists("Path", "Source"));
}

TEST(ProfileRead, ValuesAreTrimmedThenOneQuotePairIsStripped) {
    const ProfileFile p = ProfileFile::FromBytes("[S]\r\n"
                                                 "Plain=  a b \t\r\n"
                                                 "Quoted = \" a b \" \r\n"
                                                 "Twice=\"\"x\"\"\r\n"
                                                 "Open=\"abc\r\n"
                                                 "One=\"\r\n"
                                                 "Empty=\"\"\r\n"
                                                 "Marker=\x08\x01z\r\n"
                                                 "Eq=a=b\r\n");
    EXPECT_EQ(p.ReadString("S", "Plain", ""), "a b");
    EXPECT_EQ(p.ReadString("S", "Quoted", ""), " a b ");
    EXPECT_EQ(p.ReadString("S", "Twice", ""), "\"x\"");
    EXPECT_EQ(p.ReadString("S", "Open", ""), "\"abc");
    EXPECT_EQ(p.ReadString("S", "One", ""), "\"");
    EXPECT_EQ(p.ReadString("S", "Empty", "-"), "");
    EXPECT_EQ(p.ReadString("S", "Marker", ""), "z"); // control characters count as blanks
    EXPECT_EQ(p.ReadString("S", "Eq", ""), "a=b");
}

TEST(ProfileRead, AnyLineEndIsAcceptedAndAZeroByteEndsTheText) {
    const ProfileFile p = ProfileFile::FromBytes("[S]\rA=1\nB=2\r\nC=3\0\r\nD=4\r\n"s);
    EXPECT_EQ(p.ReadInteger("S", "A", 0) + p.ReadInteger("S", "B", 0) + p.ReadInteger("S", "C", 0), 6);
    EXPECT_FALSE(p.KeyExists("S", "D"));
    EXPECT_EQ(p.Bytes(), "[S]\r\nA=1\r\nB=2\r\nC=3\r\n");
}

TEST(ProfileRead, NumbersFallBackWhenMissingOrNotDecimal) {
    const ProfileFile p = ProfileFile::FromBytes(
        "[S]\r\nA= 12 \r\nB=-3\r\nC=x\r\nD=1.5\r\nE=99999999999\r\nF=2\r\nG=0\r\nH=\r\n");
    EXPECT_EQ(p.ReadInteger("S", "A", 7), 12);
    EXPECT_EQ(p.ReadInteger("S", "B", 7), -3);
    for (const char* key : {"C", "D", "E", "H", "Missing"})
        EXPECT_EQ(p.ReadInteger("S", key, 7), 7) << key;
    EXPECT_TRUE(p.ReadBool("S", "F", false));
    EXPECT_FALSE(p.ReadBool("S", "G", true));
    EXPECT_TRUE(p.ReadBool("S", "C", true));
}

TEST(ProfileRead, LongValuesAreCutAt2047BytesBetweenCharacters) {
    const std::string ascii(3000, 'a');
    const std::string split = std::string(2046, 'b') + Sjis("あい");
    const ProfileFile p = ProfileFile::FromBytes("[S]\r\nA=" + ascii + "\r\nB=\"" + split + "\"\r\n");
    EXPECT_EQ(p.ReadString("S", "A", ""), ascii.substr(0, 2047));
    EXPECT_EQ(p.ReadString("S", "B", ""), std::string(2046, 'b'));
}

TEST(ProfileWrite, EditsInPlaceAndKeepsEverythingElseByteForByte) {
    // 0xED40 (an NEC-selected IBM character) decodes to the same character as 0xFA5C; an untouched
    // line must keep the original bytes. 0x81 0x0D is a damaged character.
    const std::string original =
        "; comment\r\n[Path]\r\nSource = C:\\" + Sjis("ダウン") +
        "\r\nKeep=\xED\x40\x81\r\nGone=1\r\n\r\n[Other]\r\n[Junk\r\n\xFF\xFE=\x80\r\n";
    ProfileFile p = ProfileFile::FromBytes(original);
    EXPECT_EQ(p.Bytes(), original);

    ASSERT_TRUE(p.WriteString("PATH", "source", "C:\\ダウン").ok()); // unchanged: line kept
    ASSERT_TRUE(p.WriteString("Path", "Keep2", "新").ok());
    ASSERT_TRUE(p.WriteInteger("Path", "gone", 5).ok());
    p.DeleteKey("Path", "Keep2");
    ASSERT_TRUE(p.WriteBool("Path", "Added", true).ok());
    ASSERT_TRUE(p.WriteString("New", "K", "v").ok());
    EXPECT_EQ(p.Bytes(),
              "; comment\r\n[Path]\r\nSource = C:\\" + Sjis("ダウン") +
                  "\r\nKeep=\xED\x40\x81\r\nGone=5\r\nAdded=1\r\n\r\n[Other]\r\n[Junk\r\n\xFF\xFE=\x80\r\n"
                  "[New]\r\nK=v\r\n");
}

TEST(ProfileWrite, RefusesWhatCouldNotBeReadBack) {
    ProfileFile p = ProfileFile::FromBytes("[S]\r\nA=1\r\n");
    for (const char* value : {"caf\xC3\xA9", "a\r\nB=2", "a\nb"})
        EXPECT_FALSE(p.WriteString("S", "A", value).ok()) << value;
    EXPECT_FALSE(p.WriteString("S", "A=B", "1").ok());
    EXPECT_FALSE(p.WriteString("S]", "A", "1").ok());
    EXPECT_FALSE(p.WriteString("S", " A", "1").ok());
    EXPECT_EQ(p.Bytes(), "[S]\r\nA=1\r\n");
}

} // namespace
} // namespace sv
