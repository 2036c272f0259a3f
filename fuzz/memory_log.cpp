// The process's log for the fuzz targets: ASCII stands in for the code page, and a named
// file is memory, so that no fuzzed name ever reaches the file system.
#include "log/ascii_code_page.h"
#include "log/log.h"

namespace {

class DiscardingStream final : public LogFileStream {
public:
    bool Open(const std::wstring& name, bool) override { return !name.empty(); }
    void Write(const std::string&) override {}
    void Close() override {}
};

} // namespace

DiagnosticLog& TheLog() {
    static DiscardingStream stream;
    static AsciiCodePage codePage;
    static DiagnosticLog log(stream, codePage);
    return log;
}
