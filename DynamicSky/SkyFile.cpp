#include "DynamicSky/SkyFile.h"

#include "Core/PTokenizer.h"

#include <cstdlib>

namespace
{
const char kCloudFolder[] = "Data\\Clouds\\";
const char kSeparator[] = " ";
}

CPSkyFile::CPSkyFile(const std::string& name)
    : m_file(kCloudFolder + name)
{
    m_open = SUCCEEDED(m_file.Load());
    if (m_open)
        m_lines = std::make_unique<CPLineReader>(m_file.GetData(), m_file.GetSize());
    m_ended = !m_open;
}

bool CPSkyFile::Next()
{
    m_values.clear();
    if (m_ended || !m_lines->NextLine()) {
        m_ended = true;
        return false;
    }
    CPSplitter splitter(m_lines->GetLineView(), kSeparator, 1);
    std::string_view token;
    splitter.NextToken(token); // the label
    while (splitter.NextToken(token))
        m_values.emplace_back(token);
    return true;
}

float CPSkyFile::Float(size_t index) const
{
    return index < m_values.size() ? static_cast<float>(std::atof(m_values[index].c_str())) : 0.0f;
}

int32_t CPSkyFile::Int(size_t index) const
{
    return index < m_values.size() ? std::atoi(m_values[index].c_str()) : 0;
}

std::string CPSkyFile::String(size_t index) const
{
    return index < m_values.size() ? m_values[index] : std::string();
}

float CPSkyFile::NextFloat()
{
    Next();
    return Float();
}

int32_t CPSkyFile::NextInt()
{
    Next();
    return Int();
}

std::string CPSkyFile::NextString()
{
    Next();
    return String();
}

D3DXVECTOR3 CPSkyFile::NextVector()
{
    Next();
    return Vector();
}
