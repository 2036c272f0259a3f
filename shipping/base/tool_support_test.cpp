#include "shipping/base/tool_support.h"
#include "shipping/base/scratch_folder.h"

#include <chrono>

namespace fs = std::filesystem;

namespace kitbag {
namespace {

using ReadingInputs = test::ScratchFolder;

TEST_F(ReadingInputs, FoldersAndMissingFilesAreRefusedByName) {
    const std::string file = Write("a.bin", std::string("x\0y", 3));
    fs::create_directories(root / "folder");
    fs::create_directory_symlink(root / "folder", root / "folder-link");
    const struct {
        std::string path;
        const char* reason; // nothing: the read succeeds
    } rows[] = {
        {file, nullptr},
        {(root / "folder").string(), "is a folder, not a file"},
        {(root / "folder-link").string(), "is a folder, not a file"},
        {(root / "missing.bin").string(), "cannot open"},
    };
    for (const auto& row : rows) {
        Bytes data;
        std::string error;
        bool read = ReadWholeFile(row.path, data, error);
        EXPECT_EQ(read, row.reason == nullptr) << row.path << ": " << error;
        if (row.reason) {
            EXPECT_NE(error.find(row.reason), std::string::npos) << error;
            EXPECT_NE(error.find("'" + row.path + "'"), std::string::npos) << error;
        } else {
            EXPECT_EQ(data, (Bytes{'x', 0, 'y'}));
        }
    }
}

TEST_F(ReadingInputs, AnOutputIsWrittenBesideItAndRenamedLeavingEveryOtherFileAlone) {
    const std::string output = Write("out.exe", "old");
    // A name the tool once took for its own temporary file.
    const std::string neighbour = Write("out.exe.kitbag-partial", "mine");
    std::string temporary, error;
    ASSERT_TRUE(WriteTemporary(output, {'n', 'e', 'w'}, temporary, error)) << error;
    EXPECT_EQ(fs::path(temporary).parent_path(), root);
    Bytes data;
    EXPECT_TRUE(ReadWholeFile(output, data, error));
    EXPECT_EQ(data, (Bytes{'o', 'l', 'd'})) << "the output changes only when renamed";
    ASSERT_TRUE(Commit(temporary, output, error)) << error;
    EXPECT_TRUE(ReadWholeFile(output, data, error));
    EXPECT_EQ(data, (Bytes{'n', 'e', 'w'}));
    EXPECT_TRUE(ReadWholeFile(neighbour, data, error)) << error;
    EXPECT_EQ(data, (Bytes{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 2);
}

TEST(RunProgram, GivesTheInputTakesBothOutputsAndTheExitStatus) {
    std::string output;
    const std::string input = "the input";
    ProgramIo io;
    io.input = &input;
    io.output = &output;
    EXPECT_EQ(RunProgram({"sh", "-c", "cat; echo ' out'; echo err >&2; exit 7"}, io), 7);
    EXPECT_EQ(output, "the input out\nerr\n");

    output.clear();
    io.input = nullptr;
    EXPECT_EQ(RunProgram({"sh", "-c", "echo quiet"}, io), 0);
    EXPECT_EQ(output, "quiet\n");
    EXPECT_EQ(RunProgram({"kitbag-no-such-program"}, io), -1);

    const std::string tooLong(kMaxProgramInput + 1, 'x');
    io.input = &tooLong;
    EXPECT_EQ(RunProgram({"true"}, io), -1);
}

TEST(RunProgram, AProgramGivenItsInputHasNoTerminalToAskAt) {
    if (!std::ifstream("/dev/tty"))
        GTEST_SKIP() << "these tests run without a terminal, so there is none to keep away";
    std::string output;
    const std::string input;
    ProgramIo io;
    io.input = &input;
    io.output = &output;
    EXPECT_EQ(RunProgram({"sh", "-c",
                          "if true 2>/dev/null </dev/tty; then echo terminal; else echo none; fi"},
                         io),
              0);
    EXPECT_EQ(output, "none\n");
}

TEST(RunProgram, AProgramPastItsTimeIsEnded) {
    std::string output;
    ProgramIo io;
    io.timeoutSeconds = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunProgram({"sleep", "20"}, io), kProgramTimedOut);
    io.output = &output;
    EXPECT_EQ(RunProgram({"sh", "-c", "echo started; exec sleep 20"}, io), kProgramTimedOut);
    EXPECT_EQ(output, "started\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(RunProgram({"sh", "-c", "exit 3"}, io), 3);
}

TEST(TextConversion, Utf16BecomesUtf8AndBackAndALoneSurrogateBecomesTheReplacement) {
    const std::u16string text = u"A\u00E9\u20AC\U0001F34F";
    EXPECT_EQ(Utf16ToUtf8(text), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8D\x8F");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xD800, u'b', 0xDC00}), "a\xEF\xBF\xBD"
                                                                       "b\xEF\xBF\xBD");
}

} // namespace
} // namespace kitbag
