#include "Core/PLog.h"

#include "Platform/DXErr.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
const char kDXErrorFormat[] = "DXError if %s on line %d\n%s\n%s\n";
const char kLogVariable[] = "VELTRIX_LOG";

// Read at every report, so a program may set the variable once it runs.
bool LogsToStandardError()
{
    const char* value = std::getenv(kLogVariable);
    return value && *value && std::strcmp(value, "0") != 0;
}

// One text as whole lines: a text without a final line end gets one.
void WriteToStandardError(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (text.empty() || text.back() != '\n')
        std::fputc('\n', stderr);
}
}

void CPLog::Print(int32_t level, const char* format, ...)
{
    if (!format || (!m_sink && !LogsToStandardError()))
        return;
    va_list args;
    va_start(args, format);
    try {
        va_list measure;
        va_copy(measure, args);
        const int length = std::vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
        std::string text;
        if (length > 0) {
            text.resize(static_cast<size_t>(length));
            std::vsnprintf(&text[0], text.size() + 1, format, args);
        }
        if (m_sink)
            m_sink(level, text);
        else
            WriteToStandardError(text);
    } catch (...) {
        // A report never stops its caller.
    }
    va_end(args);
}

CPLog& GetLog()
{
    static CPLog log;
    return log;
}

void ReportDXError(const char* sourceFile, int line, HRESULT result, int32_t level)
{
    GetLog().Print(level, kDXErrorFormat, sourceFile ? sourceFile : "", line, DXGetErrorString9A(result),
                   DXGetErrorDescription9A(result));
}
