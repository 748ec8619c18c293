// The engine's one log and its report of failed DirectX calls. Reports are
// made where a device call fails; the caller then goes on with its fallback.
// The log prints nothing: a report has no effect unless a sink is set (tests
// set one to see what was reported; a normal run has none).
#pragma once

#include "Platform/Win32.h"

#include <cstdint>
#include <functional>
#include <string>

class CPLog
{
public:
    // Receives each printed text, formatted, with its leading integer.
    using Sink = std::function<void(int32_t level, const std::string& text)>;

    // printf-style; discarded unless a sink is set. Never fails, never throws.
    void Print(int32_t level, const char* format, ...) __attribute__((format(printf, 3, 4)));

    void SetSink(Sink sink) { m_sink = std::move(sink); }

private:
    Sink m_sink;
};

// The log, created on the first call and destroyed at exit.
CPLog& GetLog();

// The report of a failed DirectX call: prints "DXError if <source> on line
// <line>", then the result's symbolic name and its description. `sourceFile`
// is the reporting file's path without extension ("Render/PTexture").
void ReportDXError(const char* sourceFile, int line, HRESULT result, int32_t level = 0);
