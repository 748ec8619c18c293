// The engine's one log and its report of failed DirectX calls. Reports are
// made where a device call or a file fails; the caller then goes on with its
// fallback. Where a printed text goes: to the sink when one is set (tests set
// one to see what was reported), else to standard error when the environment
// variable VELTRIX_LOG is set to anything but "" or "0", else nowhere, so a
// normal run and the tests stay quiet.
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

    // printf-style. Never fails, never throws; costs no formatting when the
    // text would go nowhere.
    void Print(int32_t level, const char* format, ...) __attribute__((format(printf, 3, 4)));

    // A null sink puts back the default: standard error under VELTRIX_LOG.
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
