// The process's log for the fuzz targets: ASCII stands in for the code page, and a named
// file is memory, so that no fuzzed name ever reaches the file system.
#include "log/log.h"

namespace {

class AsciiCodePage final : public AnsiCodePage {
public:
    std::string FromWide(const std::wstring& text) const override {
        std::string out;
        FromWideExact(text, out);
        return out;
    }
    bool FromWideExact(const std::wstring& text, std::string& out) const override {
        bool exact = true;
        out.clear();
        for (wchar_t c : text) {
            bool ascii = static_cast<unsigned long>(c) < 0x80;
            exact = exact && ascii;
            out += ascii ? static_cast<char>(c) : '?';
        }
        return exact;
    }
    std::wstring ToWide(const std::string& text) const override {
        return std::wstring(text.begin(), text.end());
    }
};

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
