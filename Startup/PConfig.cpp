#include "Startup/PConfig.h"

#include "Core/PFileWriter.h"
#include "Core/PUtils.h"
#include "Platform/GamePath.h"
#include "Startup/PConfigVars.h"

#include <cerrno>
#include <cstdio>

CPConfig* g_Config = nullptr;
const char kConfigFileName[] = "config.cfg";

namespace
{
const char kLineFormat[] = "%s = %s\r\n";

// What reading one line gave.
enum class LineRead
{
    Line,    // a line (possibly empty), ended by LF or by the end of the file
    TooLong, // a line of kMaxLineLength characters or more, consumed whole
    End      // nothing left, or the stream failed
};

// Reads up to the next LF (not kept). A line is a C string, so a NUL byte
// ends its text; the rest up to the LF is still consumed.
LineRead ReadLine(FILE* file, std::string& line)
{
    line.clear();
    size_t length = 0;
    bool ended = false; // a NUL byte was seen
    int c = std::getc(file);
    if (c == EOF)
        return LineRead::End;
    for (; c != EOF && c != '\n'; c = std::getc(file)) {
        ++length;
        if (c == '\0')
            ended = true;
        if (!ended && length < CPConfig::kMaxLineLength)
            line += static_cast<char>(c);
    }
    if (std::ferror(file))
        return LineRead::End;
    return length >= CPConfig::kMaxLineLength ? LineRead::TooLong : LineRead::Line;
}
}

uint32_t CPConfigNameMap::Hash(const std::string& name)
{
    uint32_t h = 0;
    for (char c : name)
        h = 5 * h + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
    return h;
}

CPConfigNameMap::CPConfigNameMap()
    : m_buckets(kBucketCount)
{
}

CPSmartPtr<CPDatorBase>* CPConfigNameMap::Find(const std::string& name)
{
    for (Entry& entry : m_buckets[Hash(name) % kBucketCount]) {
        if (entry.first == name)
            return &entry.second;
    }
    return nullptr;
}

CPSmartPtr<CPDatorBase>& CPConfigNameMap::operator[](const std::string& name)
{
    if (CPSmartPtr<CPDatorBase>* found = Find(name))
        return *found;
    auto& chain = m_buckets[Hash(name) % kBucketCount];
    chain.emplace_front(name, CPSmartPtr<CPDatorBase>());
    return chain.front().second;
}

void CPConfigNameMap::Clear()
{
    for (auto& chain : m_buckets)
        chain.clear();
}

CPConfig::CPConfig()
{
    g_Config = this;
    RegisterConfigVariables(*this);
}

CPConfig::~CPConfig()
{
    ReleaseConfigVariables();
    m_names.Clear();
    if (g_Config == this)
        g_Config = nullptr;
}

void CPConfig::Register(const std::string& name, const CPSmartPtr<CPDatorBase>& handle)
{
    m_names[name] = handle;
}

HRESULT CPConfig::Load(const std::string& path)
{
    FILE* file = GamePath::GameFOpen(path, "rb");
    if (!file) {
        const int error = errno;
        if (!GamePath::Exists(path))
            return S_FALSE;
        errno = error;
        return E_FAIL;
    }
    std::string line;
    for (;;) {
        const LineRead read = ReadLine(file, line);
        if (read == LineRead::End)
            break;
        if (read == LineRead::Line)
            ParseLine(line);
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    errno = error;
    return failed ? E_FAIL : S_OK;
}

void CPConfig::ParseLine(const std::string& line)
{
    if (line.empty())
        return;
    int sign = 0;
    std::string rest = line;
    if (rest[0] == '+' || rest[0] == '-') {
        sign = rest[0] == '+' ? 1 : -1;
        rest.erase(0, 1);
    }
    std::string name;
    std::string value;
    const size_t equals = rest.find('=');
    if (equals != std::string::npos) {
        name = rest.substr(0, equals);
        value = rest.substr(equals + 1);
    } else {
        // A bare name: "1" after "+", "0" after "-" or without a sign.
        name = rest;
        value = std::to_string((sign + 1) / 2);
    }
    TrimString(name);
    TrimString(value);
    Apply(name, value, sign);
}

void CPConfig::Apply(const std::string& name, const std::string& value, int sign)
{
    CPSmartPtr<CPDatorBase>* handle = m_names.Find(name);
    if (!handle || !*handle)
        return;
    CPDatorBase& variable = **handle;
    if (!variable.IsList()) {
        variable.SetFromText(value);
        return;
    }
    // A list takes each ";"-separated item in turn: added after "+",
    // removed after "-", set without a sign.
    size_t begin = 0;
    for (;;) {
        const size_t end = value.find(';', begin);
        const std::string item = value.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (sign > 0)
            variable.AddText(item);
        else if (sign < 0)
            variable.RemoveText(item);
        else
            variable.SetFromText(item);
        if (end == std::string::npos)
            break;
        begin = end + 1;
    }
}

std::string CPConfig::SaveText() const
{
    std::string text;
    m_names.ForEach([&text](const std::string& name, const CPSmartPtr<CPDatorBase>& handle) {
        const std::string value = handle ? handle->ToText() : std::string();
        // Each line through the file's one format.
        const int length = std::snprintf(nullptr, 0, kLineFormat, name.c_str(), value.c_str());
        if (length <= 0)
            return;
        std::string line(static_cast<size_t>(length) + 1, '\0');
        std::snprintf(&line[0], line.size(), kLineFormat, name.c_str(), value.c_str());
        line.resize(static_cast<size_t>(length));
        text += line;
    });
    return text;
}

HRESULT CPConfig::Save(const std::string& path)
{
    CPFileWriter writer(path, 0);
    const std::string text = SaveText();
    writer.Write(text.data(), text.size());
    return writer.Save();
}
