// The installer's code is built without exceptions (cmake/InstallerCode.cmake): where the
// standard library would throw, framework/no_exceptions.cpp ends the process. It must end as an
// exception nothing catches ended it before: the same lines on standard error, the same exit
// code. failure_probe makes the failures, built both ways.
#include "wine_harness.h"

#include <gtest/gtest.h>

namespace {

struct Ending {
    int status = -1;
    std::string report;
};

Ending Fail(const std::string& probe, const std::string& failure, const std::string& dir) {
    const std::string report = dir + "/" + probe + "-" + failure + ".txt";
    Ending ending;
    ending.status = RunWineStatus({BuildPath(probe), failure, WinPath(report)}, dir);
    ending.report = ReadFile(report).value_or("<no report>");
    return ending;
}

} // namespace

TEST(RuntimeFailure, EndsAsAnUncaughtExceptionDid) {
    const std::string dir = FreshFolder("runtime_failure");
    const struct {
        const char* failure;
        const char* report;
    } rows[] = {
        {"substr", "terminate called after throwing an instance of 'std::out_of_range'\r\n"
                   "  what():  basic_string::substr: __pos (which is 5) > this->size() (which "
                   "is 2)\r\n"},
        {"length", "terminate called after throwing an instance of 'std::length_error'\r\n"
                   "  what():  basic_string::_M_create\r\n"},
        {"allocation", "terminate called after throwing an instance of 'std::bad_alloc'\r\n"
                       "  what():  std::bad_alloc\r\n"},
        {"function", "terminate called after throwing an instance of 'std::bad_function_call'\r\n"
                     "  what():  bad_function_call\r\n"},
    };
    for (const auto& row : rows) {
        const Ending thrown = Fail("failure_probe.exe", row.failure, dir);
        const Ending installer = Fail("failure_probe_installer.exe", row.failure, dir);
        // abort()'s exit code, both ways.
        EXPECT_EQ(thrown.status, 3) << row.failure;
        EXPECT_EQ(installer.status, 3) << row.failure;
        EXPECT_EQ(thrown.report, row.report) << row.failure;
        EXPECT_EQ(installer.report, thrown.report) << row.failure;
    }
}

TEST(RuntimeFailure, AnAllocationThatMayFailGivesNullInsteadOfEnding) {
    const std::string report = WinPath(FreshFolder("runtime_failure_nothrow") + "/report.txt");
    for (const char* probe : {"failure_probe.exe", "failure_probe_installer.exe"})
        EXPECT_EQ(RunTool(probe, "nothrow " + report), "null\r\n") << probe;
}
