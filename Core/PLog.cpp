#include "Core/PLog.h"

#include "Platform/DXErr.h"

#include <cstdarg>
#include <cstdio>

namespace
{
const char kDXErrorFormat[] = "DXError if %s on line %d\n%s\n%s\n";
}

void CPLog::Print(int32_t level, const char* format, ...)
{
    if (!m_sink || !format)
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
        m_sink(level, text);
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
