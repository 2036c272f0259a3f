#include "wizard/record_text.h"

#include <gtest/gtest.h>

namespace {

TEST(RecordText, WritesEveryFactOnItsOwnLineInOrder) {
    RecordFacts facts;
    facts.commandLine = L"\"C:\\w d\\w.exe\" /log \"C:\\\\\" x ";
    facts.argv = {L"C:\\w d\\w.exe", L"/log", L"C:\\", L"x"};
    facts.currentFolder = L"C:\\w d";
    facts.executable = L"C:\\w d\\w.exe";
    facts.fileLines = {L"file=sub\t<dir>", L"file=w.exe\t42"};
    facts.exitCode = 0x80131700u;
    EXPECT_EQ(L"cmdline=\"C:\\w d\\w.exe\" /log \"C:\\\\\" x \n"
              L"argc=4\n"
              L"argv[0]=C:\\w d\\w.exe\n"
              L"argv[1]=/log\n"
              L"argv[2]=C:\\\n"
              L"argv[3]=x\n"
              L"cwd=C:\\w d\n"
              L"exe=C:\\w d\\w.exe\n"
              L"file=sub\t<dir>\n"
              L"file=w.exe\t42\n"
              L"exit=0x80131700\n",
              RecordText(facts));
}

TEST(RecordText, KeepsEmptyArgumentsAndCountsThem) {
    RecordFacts facts;
    facts.commandLine = L"w.exe \"\"";
    facts.argv = {L"w.exe", L""};
    EXPECT_EQ(L"cmdline=w.exe \"\"\nargc=2\nargv[0]=w.exe\nargv[1]=\ncwd=\nexe=\nexit=0x00000000\n",
              RecordText(facts));
}

} // namespace
