// The log on the build host, for tests of code that logs: ASCII stands in for the ANSI
// code page, and the file is a plain stdio stream.
#include "log.h"

#include "log/ascii_code_page.h"

#include <cstdio>

namespace {

class StdioLogFile final : public LogFileStream {
public:
    bool Open(const std::wstring& name, bool append) override {
        std::string narrow;
        for (wchar_t c : name)
            narrow += static_cast<char>(c);
        if (narrow.empty())
            return false;
        m_file = std::fopen(narrow.c_str(), append ? "a" : "w");
        return m_file != nullptr;
    }
    void Write(const std::string& bytes) override {
        if (m_file != nullptr && !bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), m_file);
    }
    void Close() override {
        if (m_file != nullptr)
            std::fclose(m_file);
        m_file = nullptr;
    }

private:
    std::FILE* m_file = nullptr;
};

} // namespace

DiagnosticLog& TheLog() {
    static StdioLogFile stream;
    static AsciiCodePage codePage;
    static DiagnosticLog log(stream, codePage);
    return log;
}
