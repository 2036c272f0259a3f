#pragma once
// The diagnostic log: messages are held in memory until a file is named, then written
// out in order; while the wizard runs the file is closed and later messages are held
// (and, by design, never written); reopening appends.
#include <string>

// The current thread's ANSI code page.
class AnsiCodePage {
public:
    virtual ~AnsiCodePage() = default;
    // Characters the code page lacks become its default character.
    virtual std::string FromWide(const std::wstring& text) const = 0;
    // False when some character cannot be represented exactly (no best-fit mapping).
    virtual bool FromWideExact(const std::wstring& text, std::string& out) const = 0;
    virtual std::wstring ToWide(const std::string& text) const = 0;
};

// A text-mode file stream that shares the file with nobody while it is open.
class LogFileStream {
public:
    virtual ~LogFileStream() = default;
    virtual bool Open(const std::wstring& name, bool append) = 0;
    virtual void Write(const std::string& bytes) = 0;
    virtual void Close() = 0;
};

class DiagnosticLog {
public:
    DiagnosticLog(LogFileStream& stream, const AnsiCodePage& codePage)
        : m_stream(stream), m_codePage(codePage) {}

    void Write(const std::wstring& message);
    // Closes any open file, remembers the name, creates the file anew and writes the held text.
    void Open(const std::string& ansiName);
    // Opens the remembered file for appending unless a file is open. What was held while it was
    // closed for the wizard stays held: the file is the wizard's then, and nothing the run logs
    // meanwhile belongs after the wizard's lines.
    void Reopen();
    void Close();

    bool IsOpen() const { return m_open; }
    const std::wstring& HeldText() const { return m_held; }
    const std::wstring& FileName() const { return m_fileName; }
    const AnsiCodePage& CodePage() const { return m_codePage; }

private:
    LogFileStream& m_stream;
    const AnsiCodePage& m_codePage;
    bool m_open = false;
    std::wstring m_fileName;
    std::wstring m_held;
};
