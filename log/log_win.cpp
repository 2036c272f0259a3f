// The log on Windows: the thread's ANSI code page and a CRT text-mode stream opened
// without sharing.
#include "log.h"

#include "framework/built_once.h"

#include <windows.h>

#include <cstdio>
#include <share.h>

namespace {

class ThreadAnsiCodePage final : public AnsiCodePage {
public:
    std::string FromWide(const std::wstring& text) const override {
        // The converter is asked for the size first, so no code page can overrun the buffer.
        return Convert(text, 0, nullptr);
    }

    bool FromWideExact(const std::wstring& text, std::string& out) const override {
        BOOL usedDefault = FALSE;
        out = Convert(text, WC_NO_BEST_FIT_CHARS, &usedDefault);
        if (out.empty() && !text.empty() && GetLastError() == ERROR_INVALID_FLAGS) {
            // A UTF-8 code page takes no flags and maps every valid character exactly.
            out = Convert(text, 0, nullptr);
        }
        return usedDefault == FALSE && (text.empty() || !out.empty());
    }

    std::wstring ToWide(const std::string& text) const override {
        if (text.empty())
            return {};
        int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
        if (n <= 0)
            return {};
        std::wstring out(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0],
                            n);
        return out;
    }

private:
    static std::string Convert(const std::wstring& text, DWORD flags, BOOL* usedDefault) {
        if (text.empty())
            return {};
        int len = static_cast<int>(text.size());
        int n = WideCharToMultiByte(CP_THREAD_ACP, flags, text.data(), len, nullptr, 0, nullptr,
                                    usedDefault);
        if (n <= 0)
            return {};
        std::string out(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_THREAD_ACP, flags, text.data(), len, &out[0], n, nullptr,
                            usedDefault);
        return out;
    }
};

class CrtLogFile final : public LogFileStream {
public:
    bool Open(const std::wstring& name, bool append) override {
        if (name.empty())
            return false;
        m_file = _wfsopen(name.c_str(), append ? L"at" : L"wt", _SH_DENYRW);
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

struct ProcessLog {
    CrtLogFile stream;
    ThreadAnsiCodePage codePage;
    DiagnosticLog log{stream, codePage};
};

} // namespace

DiagnosticLog& TheLog() {
    // Built on first use, so messages written during static construction are held too.
    return BuiltOnce<ProcessLog>::Get().log;
}
