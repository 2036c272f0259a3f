// The diagnostic log's holding and file modes under any sequence of writes, opens, reopens
// and closes: each file holds exactly the text a simple model of the log says it should.
#include "fuzz/fuzz_input.h"
#include "log/diagnostic_log.h"

#include <map>

namespace {

// One byte per UTF-16 unit below 0x100, '?' for the rest; names become wide one to one.
class LatinCodePage final : public AnsiCodePage {
public:
    std::string FromWide(const std::wstring& text) const override {
        std::string out;
        FromWideExact(text, out);
        return out;
    }
    bool FromWideExact(const std::wstring& text, std::string& out) const override {
        out.clear();
        bool exact = true;
        for (wchar_t c : text) {
            exact = exact && c < 0x100;
            out += c < 0x100 ? static_cast<char>(c) : '?';
        }
        return exact;
    }
    std::wstring ToWide(const std::string& text) const override {
        std::wstring out;
        for (char c : text)
            out += static_cast<wchar_t>(static_cast<unsigned char>(c));
        return out;
    }
};

// Files in memory; a name holding '|' cannot be opened, and one stream is open at a time.
class MemoryFiles final : public LogFileStream {
public:
    std::map<std::wstring, std::string> files;
    bool Open(const std::wstring& name, bool append) override {
        KITBAG_FUZZ_CHECK(m_current == nullptr);
        if (name.empty() || name.find(L'|') != std::wstring::npos)
            return false;
        m_current = &files[name];
        if (!append)
            m_current->clear();
        return true;
    }
    void Write(const std::string& bytes) override {
        KITBAG_FUZZ_CHECK(m_current != nullptr);
        *m_current += bytes;
    }
    void Close() override {
        KITBAG_FUZZ_CHECK(m_current != nullptr);
        m_current = nullptr;
    }

private:
    std::string* m_current = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    LatinCodePage codePage;
    MemoryFiles stream;
    DiagnosticLog log(stream, codePage);

    // The model.
    std::map<std::wstring, std::string> files;
    std::wstring held;
    std::wstring name;
    bool open = false;
    auto canOpen = [](const std::wstring& n) {
        return !n.empty() && n.find(L'|') == std::wstring::npos;
    };

    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 4)) {
        case 0:
        case 1: {
            std::wstring message = ConsumeUtf16(in, 64, false);
            log.Write(message);
            if (open)
                files[name] += codePage.FromWide(message);
            else
                held += message;
            break;
        }
        case 2: {
            std::string ansi = in.ConsumeBool() ? "a.log" : in.ConsumeRandomLengthString(8);
            log.Open(ansi);
            name = codePage.ToWide(ansi);
            open = canOpen(name);
            if (open) {
                files[name] = codePage.FromWide(held);
                held.clear();
            }
            break;
        }
        case 3:
            // What was held while the file was closed for the wizard stays held.
            log.Reopen();
            if (!open && canOpen(name))
                open = true;
            break;
        default:
            log.Close();
            open = false;
            break;
        }
        KITBAG_FUZZ_CHECK(log.IsOpen() == open && log.HeldText() == held && log.FileName() == name);
    }
    log.Close();
    KITBAG_FUZZ_CHECK(stream.files == files);
    return 0;
}
