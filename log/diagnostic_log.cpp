#include "diagnostic_log.h"

void DiagnosticLog::Write(const std::wstring& message) {
    if (!m_open) {
        m_held += message;
        return;
    }
    m_stream.Write(m_codePage.FromWide(message));
}

void DiagnosticLog::Open(const std::string& ansiName) {
    Close();
    m_fileName = m_codePage.ToWide(ansiName);
    if (!m_stream.Open(m_fileName, false))
        return;
    m_open = true;
    m_stream.Write(m_codePage.FromWide(m_held));
    m_held.clear();
}

void DiagnosticLog::Reopen() {
    if (m_open || m_fileName.empty())
        return;
    if (!m_stream.Open(m_fileName, true))
        return;
    m_open = true;
}

void DiagnosticLog::Close() {
    if (!m_open)
        return;
    m_stream.Close();
    m_open = false;
}
