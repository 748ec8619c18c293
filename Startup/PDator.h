// Typed configuration variables. A variable binds one key of "config.cfg" to
// one global value (an integer or a float) that the engine reads directly;
// the variable only converts between that value and text for the registry.
// It never owns the value: the global keeps its last value whatever happens
// to the variable object.
#pragma once

#include "Core/PManagedObject.h"

#include <cstdint>
#include <string>

class CPDatorBase : public CPManagedObject
{
public:
    ~CPDatorBase() override;

    // Value = the number at the start of the text.
    virtual void SetFromText(const std::string& text) = 0;
    // Value = value + / - the number at the start of the text.
    virtual void AddText(const std::string& text) = 0;
    virtual void RemoveText(const std::string& text) = 0;
    // Compares ToText with the text, byte for byte.
    virtual bool EqualsText(const std::string& text) const = 0;
    virtual bool NotEqualsText(const std::string& text) const = 0;
    // True for a variable that holds a ";"-separated list of items.
    virtual bool IsList() const = 0;
    virtual std::string ToText() const = 0;
};

// A variable over a global of type T (int32_t or float). Numbers are read the
// way a stream reads them, with leading blanks not skipped; reading stops at
// the first character that cannot continue the number. A text that holds no
// number at its start (or one out of range) leaves the value as it was.
// Numbers are written in the stream's default form: decimal integers, floats
// with at most six significant digits and no trailing zeros.
template <class T>
class CPDator : public CPDatorBase
{
public:
    explicit CPDator(T* value);

    int32_t GetObjectSize() const override;
    std::string GetTypeName() const override;

    void SetFromText(const std::string& text) override;
    void AddText(const std::string& text) override;
    void RemoveText(const std::string& text) override;
    bool EqualsText(const std::string& text) const override;
    bool NotEqualsText(const std::string& text) const override;
    bool IsList() const override;
    std::string ToText() const override;

    T* GetValue() const { return m_value; }

private:
    T* m_value;
};

extern template class CPDator<int32_t>;
extern template class CPDator<float>;
