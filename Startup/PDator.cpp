#include "Startup/PDator.h"

#include <sstream>

namespace
{
// The number at the start of the text, as a stream extracts it without
// skipping blanks. False when there is none; `number` is then untouched.
template <class T>
bool ReadNumber(const std::string& text, T& number)
{
    std::istringstream stream(text);
    stream.unsetf(std::ios::skipws);
    T read {};
    stream >> read;
    if (stream.fail())
        return false;
    number = read;
    return true;
}

// Sums wrap around at 32 bits, as the value's own arithmetic would on the
// machine the game was written for, instead of overflowing.
int32_t Add(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t Subtract(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

float Add(float a, float b)
{
    return a + b;
}

float Subtract(float a, float b)
{
    return a - b;
}
}

CPDatorBase::~CPDatorBase() = default;

template <class T>
CPDator<T>::CPDator(T* value)
    : m_value(value)
{
}

template <class T>
int32_t CPDator<T>::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(*this));
}

template <class T>
std::string CPDator<T>::GetTypeName() const
{
    return "CPDator";
}

template <class T>
void CPDator<T>::SetFromText(const std::string& text)
{
    ReadNumber(text, *m_value);
}

template <class T>
void CPDator<T>::AddText(const std::string& text)
{
    T number {};
    if (ReadNumber(text, number))
        *m_value = Add(*m_value, number);
}

template <class T>
void CPDator<T>::RemoveText(const std::string& text)
{
    T number {};
    if (ReadNumber(text, number))
        *m_value = Subtract(*m_value, number);
}

template <class T>
bool CPDator<T>::EqualsText(const std::string& text) const
{
    return ToText() == text;
}

template <class T>
bool CPDator<T>::NotEqualsText(const std::string& text) const
{
    return !EqualsText(text);
}

template <class T>
bool CPDator<T>::IsList() const
{
    return false;
}

template <class T>
std::string CPDator<T>::ToText() const
{
    std::ostringstream out;
    out << *m_value;
    return out.str();
}

template class CPDator<int32_t>;
template class CPDator<float>;
