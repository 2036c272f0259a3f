#include "log/log.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Calls = std::vector<std::string>;

// Records every call; opens any name unless `fail` is set.
struct FakeStream : LogFileStream {
    Calls calls;
    bool fail = false;
    bool Open(const std::wstring& name, bool append) override {
        calls.push_back((append ? "append " : "create ") + std::string(name.begin(), name.end()));
        return !fail;
    }
    void Write(const std::string& bytes) override {
        if (!bytes.empty())
            calls.push_back("write " + bytes);
    }
    void Close() override { calls.push_back("close"); }
};

class DiagnosticLogTest : public ::testing::Test {
protected:
    FakeStream stream;
    DiagnosticLog log{stream, TheLog().CodePage()}; // the host's: ASCII, others become '?'
};

TEST_F(DiagnosticLogTest, HeldLinesAreWrittenFirstAndInOrderWhenOpened) {
    log.Write(L"one\n");
    log.Write(L"tw\u00f6\n");
    log.Open("a.log");
    log.Write(L"three\n");
    EXPECT_EQ((Calls{"create a.log", "write one\ntw?\n", "write three\n"}), stream.calls);
    EXPECT_TRUE(log.HeldText().empty());
    EXPECT_EQ(L"a.log", log.FileName());
}

TEST_F(DiagnosticLogTest, SecondOpenClosesAndCreatesTheFileAnewWithWhatWasHeldSince) {
    log.Open("a.log");
    log.Close();
    log.Write(L"two\n");
    log.Open("a.log");
    log.Open("b.log");
    EXPECT_EQ(
        (Calls{"create a.log", "close", "create a.log", "write two\n", "close", "create b.log"}),
        stream.calls);
}

// What is logged while the wizard has the file stays held: reopening appends only what follows.
TEST_F(DiagnosticLogTest, MessagesHeldWhileClosedForTheWizardStayHeldOnReopen) {
    log.Close();
    log.Open("a.log");
    log.Close();
    log.Close();
    log.Write(L"during wizard\n");
    log.Reopen();
    log.Reopen();
    log.Write(L"after\n");
    EXPECT_EQ((Calls{"create a.log", "close", "append a.log", "write after\n"}), stream.calls);
    EXPECT_EQ(log.HeldText(), L"during wizard\n");
}

TEST_F(DiagnosticLogTest, FailedOpenOrReopenKeepsHolding) {
    log.Reopen(); // no name yet: no file is touched
    stream.fail = true;
    log.Write(L"one\n");
    log.Open("a.log");
    log.Reopen();
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(L"one\n", log.HeldText());
    stream.fail = false;
    log.Open("b.log");
    EXPECT_EQ((Calls{"create a.log", "append a.log", "create b.log", "write one\n"}), stream.calls);
}

} // namespace
