#include "Platform/D3DX9Effect.h"

#include "Platform/ComObject.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

const IID IID_ID3DXBuffer = { 0x7E173001, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x11 } };
const IID IID_ID3DXEffectPool = { 0x7E173002, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x12 } };
const IID IID_ID3DXEffect = { 0x7E173003, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x13 } };

namespace
{
int g_effectCreations = 0;
int g_liveEffects = 0;
int g_livePools = 0;
// Array parameters are cut to this many elements.
constexpr long kMaxElements = 4096;

// --- Scanning the effect text ---------------------------------------------------------

struct Token
{
    enum Kind { kName, kNumber, kString, kPunct };
    Kind kind;
    std::string text;
    int line;
};

struct ScannedParameter
{
    std::string type;
    std::string name;
    UINT elements = 1;
    bool shared = false;
};

struct ScannedTechnique
{
    std::string name;
    UINT passes = 0;
    // Highest shader versions its passes compile, as (major << 8) | minor.
    DWORD vertexShader = 0;
    DWORD pixelShader = 0;
};

struct ScannedEffect
{
    std::vector<ScannedParameter> parameters;
    std::vector<ScannedTechnique> techniques;
};

bool IsNameStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool IsNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string LineError(int line, const std::string& what)
{
    return "effect(" + std::to_string(line) + "): error: " + what;
}

const char* Unbalanced(char opening)
{
    return opening == '(' ? "unbalanced parentheses" : opening == '{' ? "unbalanced braces" : "unbalanced brackets";
}

// Comments out, text cut into tokens; quotes and brackets must pair up.
bool Tokenize(const std::string& text, std::vector<Token>& tokens, std::string& error)
{
    int line = 1;
    std::vector<Token> open; // brackets not yet closed
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c)) || c == '\0') {
            ++i;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const size_t end = text.find("*/", i + 2);
            if (end == std::string::npos) {
                error = LineError(line, "comment without end");
                return false;
            }
            line += static_cast<int>(std::count(text.begin() + static_cast<long>(i),
                                                text.begin() + static_cast<long>(end), '\n'));
            i = end + 2;
        } else if (c == '"') {
            const size_t end = text.find_first_of("\"\n", i + 1);
            if (end == std::string::npos || text[end] != '"') {
                error = LineError(line, "unbalanced quotes");
                return false;
            }
            tokens.push_back({ Token::kString, text.substr(i + 1, end - i - 1), line });
            i = end + 1;
        } else if (IsNameStart(c)) {
            size_t end = i;
            while (end < text.size() && IsNameChar(text[end]))
                ++end;
            tokens.push_back({ Token::kName, text.substr(i, end - i), line });
            i = end;
        } else if (std::isdigit(static_cast<unsigned char>(c))
                   || (c == '.' && i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
            size_t end = i;
            while (end < text.size()
                   && (IsNameChar(text[end]) || text[end] == '.'
                       || ((text[end] == '-' || text[end] == '+') && (text[end - 1] == 'e' || text[end - 1] == 'E'))))
                ++end;
            tokens.push_back({ Token::kNumber, text.substr(i, end - i), line });
            i = end;
        } else {
            const Token token{ Token::kPunct, std::string(1, c), line };
            if (c == '(' || c == '{' || c == '[') {
                open.push_back(token);
            } else if (c == ')' || c == '}' || c == ']') {
                const char expected = c == ')' ? '(' : c == '}' ? '{' : '[';
                if (open.empty() || open.back().text[0] != expected) {
                    // Named after the bracket left open, else the stray one.
                    error = LineError(line, Unbalanced(open.empty() ? expected : open.back().text[0]));
                    return false;
                }
                open.pop_back();
            }
            tokens.push_back(token);
            ++i;
        }
    }
    if (!open.empty()) {
        error = LineError(open.back().line, Unbalanced(open.back().text[0]));
        return false;
    }
    return true;
}

// Walks the tokens statement by statement.
class Scanner
{
public:
    Scanner(const std::vector<Token>& tokens, ScannedEffect& effect)
        : m_tokens(tokens),
          m_effect(effect)
    {
    }

    bool Run(std::string& error)
    {
        while (m_at < m_tokens.size()) {
            bool ok;
            if (Is(";")) {
                ++m_at;
                ok = true;
            } else if (Is("technique")) {
                ok = Technique();
            } else if (Is("struct")) {
                ok = Struct();
            } else {
                ok = Declaration();
            }
            if (!ok) {
                error = LineError(Line(), m_reason);
                return false;
            }
        }
        return true;
    }

private:
    bool Is(const char* text) const { return m_at < m_tokens.size() && m_tokens[m_at].text == text; }
    bool IsPunct(const char* text) const { return Is(text) && m_tokens[m_at].kind == Token::kPunct; }
    bool IsName() const { return m_at < m_tokens.size() && m_tokens[m_at].kind == Token::kName; }
    int Line() const { return m_tokens.empty() ? 1 : m_tokens[std::min(m_at, m_tokens.size() - 1)].line; }

    bool Fail(const char* reason)
    {
        m_reason = reason;
        return false;
    }

    bool Expect(const char* punct)
    {
        if (!IsPunct(punct))
            return Fail((std::string("'") + punct + "' expected").c_str());
        ++m_at;
        return true;
    }

    // From an opening bracket past its partner (the tokenizer paired them).
    void SkipGroup()
    {
        const std::string openText = m_tokens[m_at].text;
        const std::string closeText = openText == "(" ? ")" : openText == "{" ? "}" : "]";
        int depth = 0;
        for (; m_at < m_tokens.size(); ++m_at) {
            if (m_tokens[m_at].kind != Token::kPunct)
                continue;
            if (m_tokens[m_at].text == openText) {
                ++depth;
            } else if (m_tokens[m_at].text == closeText && --depth == 0) {
                ++m_at;
                return;
            }
        }
    }

    // "<" ... ">" after a name: annotations, skipped whole.
    bool SkipAnnotations()
    {
        if (!IsPunct("<"))
            return true;
        while (m_at < m_tokens.size() && !IsPunct(">"))
            ++m_at;
        return Expect(">");
    }

    bool Struct()
    {
        ++m_at;
        if (IsName())
            ++m_at;
        if (!IsPunct("{"))
            return Fail("'{' expected");
        SkipGroup();
        return Expect(";");
    }

    bool Declaration()
    {
        ScannedParameter parameter;
        static const char* const kQualifiers[] = { "shared", "uniform", "static", "const", "extern", "volatile" };
        for (bool more = true; more;) {
            more = false;
            for (const char* qualifier : kQualifiers) {
                if (Is(qualifier)) {
                    parameter.shared = parameter.shared || std::strcmp(qualifier, "shared") == 0;
                    ++m_at;
                    more = true;
                }
            }
        }
        if (!IsName())
            return Fail("a declaration, function or technique expected");
        parameter.type = m_tokens[m_at++].text;
        if (!IsName())
            return Fail("a name expected");
        parameter.name = m_tokens[m_at++].text;

        if (IsPunct("(")) {
            // A function: parameters, an optional return semantic, the body.
            SkipGroup();
            if (IsPunct(":")) {
                ++m_at;
                if (!IsName())
                    return Fail("a semantic expected");
                ++m_at;
            }
            if (!IsPunct("{"))
                return Fail("'{' expected");
            SkipGroup();
            return true;
        }
        if (IsPunct("[")) {
            ++m_at;
            if (m_at >= m_tokens.size() || m_tokens[m_at].kind != Token::kNumber)
                return Fail("an array size expected");
            const long elements = std::strtol(m_tokens[m_at].text.c_str(), nullptr, 10);
            parameter.elements = static_cast<UINT>(std::max(1L, std::min(kMaxElements, elements)));
            ++m_at;
            if (!Expect("]"))
                return false;
        }
        if (IsPunct(":")) {
            ++m_at;
            if (!IsName())
                return Fail("a semantic expected");
            ++m_at;
        }
        if (!SkipAnnotations())
            return false;
        if (IsPunct("=")) {
            ++m_at;
            while (m_at < m_tokens.size() && !IsPunct(";")) {
                if (IsPunct("{") || IsPunct("("))
                    SkipGroup();
                else
                    ++m_at;
            }
        }
        if (!Expect(";"))
            return false;
        m_effect.parameters.push_back(parameter);
        return true;
    }

    bool Technique()
    {
        ScannedTechnique technique;
        ++m_at;
        if (IsName())
            technique.name = m_tokens[m_at++].text;
        if (!SkipAnnotations() || !Expect("{"))
            return false;
        while (!IsPunct("}")) {
            if (IsPunct(";")) {
                ++m_at;
                continue;
            }
            if (!Is("pass"))
                return Fail("'pass' expected");
            ++m_at;
            if (IsName())
                ++m_at;
            if (!SkipAnnotations())
                return false;
            if (!IsPunct("{"))
                return Fail("'{' expected");
            const size_t begin = m_at;
            SkipGroup();
            for (size_t i = begin; i + 1 < m_at; ++i) {
                if (m_tokens[i].text == "compile" && m_tokens[i + 1].kind == Token::kName)
                    NoteProfile(m_tokens[i + 1].text, technique);
            }
            ++technique.passes;
        }
        ++m_at;
        m_effect.techniques.push_back(technique);
        return true;
    }

    // "vs_2_0", "ps_3_0", "ps_2_a": the version a pass needs. A letter in
    // place of the minor number stands for more than the plain version.
    static void NoteProfile(const std::string& profile, ScannedTechnique& technique)
    {
        if (profile.size() != 6 || profile[2] != '_' || profile[4] != '_'
            || !std::isdigit(static_cast<unsigned char>(profile[3])))
            return;
        const DWORD major = static_cast<DWORD>(profile[3] - '0');
        const bool plain = std::isdigit(static_cast<unsigned char>(profile[5]));
        const DWORD minor = plain ? static_cast<DWORD>(profile[5] - '0') : 1;
        const DWORD version = major << 8 | minor;
        if (profile.compare(0, 2, "vs") == 0)
            technique.vertexShader = std::max(technique.vertexShader, version);
        else if (profile.compare(0, 2, "ps") == 0)
            technique.pixelShader = std::max(technique.pixelShader, version);
    }

    const std::vector<Token>& m_tokens;
    ScannedEffect& m_effect;
    size_t m_at = 0;
    std::string m_reason;
};

bool ScanEffect(const std::string& text, ScannedEffect& effect, std::string& error)
{
    std::vector<Token> tokens;
    if (!Tokenize(text, tokens, error))
        return false;
    return Scanner(tokens, effect).Run(error);
}

// Bytes a parameter of the type holds (0 for textures, samplers and types
// without a value).
UINT TypeBytes(const std::string& type)
{
    if (type == "matrix")
        return 64;
    if (type == "vector")
        return 16;
    static const char* const kScalars[] = { "float", "half", "double", "int", "uint", "bool", "dword" };
    for (const char* scalar : kScalars) {
        const size_t length = std::strlen(scalar);
        if (type.compare(0, length, scalar) != 0)
            continue;
        const std::string shape = type.substr(length);
        if (shape.empty())
            return 4;
        if (shape.size() == 1 && shape[0] >= '1' && shape[0] <= '4')
            return 4 * static_cast<UINT>(shape[0] - '0');
        if (shape.size() == 3 && shape[0] >= '1' && shape[0] <= '4' && shape[1] == 'x' && shape[2] >= '1'
            && shape[2] <= '4')
            return 4 * static_cast<UINT>(shape[0] - '0') * static_cast<UINT>(shape[2] - '0');
    }
    return 0;
}

bool IsTextureType(const std::string& type)
{
    std::string lower = type;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.compare(0, 7, "texture") == 0;
}

// --- Values, pools, buffers -------------------------------------------------------------

// What a parameter holds; a shared parameter's value is held by its pool.
struct Value
{
    std::vector<uint8_t> bytes;
    IDirect3DBaseTexture9* texture = nullptr;

    Value() = default;
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
    ~Value()
    {
        if (texture)
            texture->Release();
    }
};

class EffectPool final : public ComObject<EffectPool, ID3DXEffectPool>
{
public:
    EffectPool() { ++g_livePools; }
    ~EffectPool() { --g_livePools; }

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == IID_ID3DXEffectPool)
            return static_cast<ID3DXEffectPool*>(this);
        return nullptr;
    }

    // The one value of a shared parameter, as large as its largest declaration.
    std::shared_ptr<Value> Shared(const std::string& name, size_t bytes)
    {
        std::shared_ptr<Value>& value = m_values[name];
        if (!value)
            value = std::make_shared<Value>();
        if (value->bytes.size() < bytes)
            value->bytes.resize(bytes);
        return value;
    }

private:
    std::map<std::string, std::shared_ptr<Value>> m_values;
};

class TextBuffer final : public ComObject<TextBuffer, ID3DXBuffer>
{
public:
    explicit TextBuffer(const std::string& text)
        : m_text(text)
    {
    }

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == IID_ID3DXBuffer)
            return static_cast<ID3DXBuffer*>(this);
        return nullptr;
    }

    LPVOID GetBufferPointer() override { return &m_text[0]; }
    DWORD GetBufferSize() override { return static_cast<DWORD>(m_text.size() + 1); }

private:
    std::string m_text;
};

// --- The effect --------------------------------------------------------------------------

class Effect final : public ComObject<Effect, ID3DXEffect>
{
public:
    struct Parameter
    {
        std::string name;
        bool texture = false;
        std::shared_ptr<Value> value;
    };
    struct Technique
    {
        std::string name;
        UINT passes = 0;
        bool valid = false;
    };

    Effect(IDirect3DDevice9* device, EffectPool* pool, const ScannedEffect& scanned, const D3DCAPS9& caps)
        : m_device(device),
          m_pool(pool)
    {
        m_device->AddRef();
        if (m_pool)
            m_pool->AddRef();
        m_record.pool = m_pool;
        for (const ScannedParameter& declared : scanned.parameters) {
            auto parameter = std::make_unique<Parameter>();
            parameter->name = declared.name;
            parameter->texture = IsTextureType(declared.type);
            const size_t bytes = static_cast<size_t>(TypeBytes(declared.type)) * declared.elements;
            if (declared.shared && m_pool) {
                parameter->value = m_pool->Shared(declared.name, bytes);
            } else {
                parameter->value = std::make_shared<Value>();
                parameter->value->bytes.resize(bytes);
            }
            m_parameterByHandle[parameter->name.c_str()] = parameter.get();
            m_parameters.push_back(std::move(parameter));
        }
        const DWORD vertexShader = caps.VertexShaderVersion & 0xFFFF;
        const DWORD pixelShader = caps.PixelShaderVersion & 0xFFFF;
        for (const ScannedTechnique& declared : scanned.techniques) {
            auto technique = std::make_unique<Technique>();
            technique->name = declared.name;
            technique->passes = declared.passes;
            technique->valid = declared.vertexShader <= vertexShader && declared.pixelShader <= pixelShader;
            m_record.techniques.push_back(technique->name);
            m_record.valid.push_back(technique->valid);
            m_techniqueByHandle[technique->name.c_str()] = technique.get();
            m_techniques.push_back(std::move(technique));
        }
        ++g_liveEffects;
    }

    ~Effect()
    {
        m_parameters.clear();
        if (m_pool)
            m_pool->Release();
        m_device->Release();
        --g_liveEffects;
    }

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == IID_ID3DXEffect)
            return static_cast<ID3DXEffect*>(this);
        return nullptr;
    }

    const PlatformD3DX::EffectRecord& Record() const { return m_record; }

    HRESULT GetPool(ID3DXEffectPool** pool) override
    {
        if (!pool)
            return D3DERR_INVALIDCALL;
        *pool = m_pool;
        if (m_pool)
            m_pool->AddRef();
        return D3D_OK;
    }

    HRESULT GetDevice(IDirect3DDevice9** device) override
    {
        if (!device)
            return D3DERR_INVALIDCALL;
        *device = m_device;
        m_device->AddRef();
        return D3D_OK;
    }

    D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) override
    {
        if (parent || !name)
            return nullptr;
        for (const auto& parameter : m_parameters) {
            if (parameter->name == name)
                return parameter->name.c_str();
        }
        return nullptr;
    }

    D3DXHANDLE GetTechniqueByName(LPCSTR name) override
    {
        if (!name)
            return nullptr;
        for (const auto& technique : m_techniques) {
            if (technique->name == name)
                return technique->name.c_str();
        }
        return nullptr;
    }

    D3DXHANDLE GetTechnique(UINT index) override
    {
        return index < m_techniques.size() ? m_techniques[index]->name.c_str() : nullptr;
    }

    HRESULT ValidateTechnique(D3DXHANDLE handle) override
    {
        const Technique* technique = FindTechnique(handle);
        if (!technique)
            return D3DERR_INVALIDCALL;
        return technique->valid ? D3D_OK : E_FAIL;
    }

    HRESULT FindNextValidTechnique(D3DXHANDLE previous, D3DXHANDLE* next) override
    {
        if (!next)
            return D3DERR_INVALIDCALL;
        *next = nullptr;
        size_t start = 0;
        if (previous) {
            const Technique* after = FindTechnique(previous);
            if (!after)
                return D3DERR_INVALIDCALL;
            while (m_techniques[start].get() != after)
                ++start;
            ++start;
        }
        for (size_t i = start; i < m_techniques.size(); ++i) {
            if (m_techniques[i]->valid) {
                *next = m_techniques[i]->name.c_str();
                return D3D_OK;
            }
        }
        return S_FALSE;
    }

    HRESULT SetTechnique(D3DXHANDLE handle) override
    {
        Technique* technique = FindTechnique(handle);
        if (!technique)
            return D3DERR_INVALIDCALL;
        m_current = technique;
        m_record.current = technique->name;
        return D3D_OK;
    }

    D3DXHANDLE GetCurrentTechnique() override { return m_current ? m_current->name.c_str() : nullptr; }

    HRESULT SetValue(D3DXHANDLE handle, LPCVOID data, UINT bytes) override
    {
        Parameter* parameter = FindParameter(handle);
        if (!parameter || !data || parameter->texture || bytes > parameter->value->bytes.size())
            return D3DERR_INVALIDCALL;
        if (bytes > 0)
            std::memcpy(parameter->value->bytes.data(), data, bytes);
        return D3D_OK;
    }

    HRESULT GetValue(D3DXHANDLE handle, LPVOID data, UINT bytes) override
    {
        Parameter* parameter = FindParameter(handle);
        if (!parameter || !data || parameter->texture || bytes > parameter->value->bytes.size())
            return D3DERR_INVALIDCALL;
        if (bytes > 0)
            std::memcpy(data, parameter->value->bytes.data(), bytes);
        return D3D_OK;
    }

    HRESULT SetFloat(D3DXHANDLE handle, FLOAT value) override { return SetValue(handle, &value, sizeof(value)); }
    HRESULT GetFloat(D3DXHANDLE handle, FLOAT* value) override { return GetValue(handle, value, sizeof(*value)); }

    HRESULT SetVector(D3DXHANDLE handle, const D3DXVECTOR4* vector) override
    {
        return vector ? SetValue(handle, vector, Fitting(handle, sizeof(*vector))) : D3DERR_INVALIDCALL;
    }
    HRESULT GetVector(D3DXHANDLE handle, D3DXVECTOR4* vector) override
    {
        if (!vector)
            return D3DERR_INVALIDCALL;
        *vector = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
        return GetValue(handle, vector, Fitting(handle, sizeof(*vector)));
    }
    HRESULT SetMatrix(D3DXHANDLE handle, const D3DXMATRIX* matrix) override
    {
        return matrix ? SetValue(handle, matrix, Fitting(handle, sizeof(*matrix))) : D3DERR_INVALIDCALL;
    }
    HRESULT GetMatrix(D3DXHANDLE handle, D3DXMATRIX* matrix) override
    {
        if (!matrix)
            return D3DERR_INVALIDCALL;
        std::memset(static_cast<void*>(matrix), 0, sizeof(*matrix));
        return GetValue(handle, matrix, Fitting(handle, sizeof(*matrix)));
    }

    HRESULT SetTexture(D3DXHANDLE handle, IDirect3DBaseTexture9* texture) override
    {
        Parameter* parameter = FindParameter(handle);
        if (!parameter || !parameter->texture)
            return D3DERR_INVALIDCALL;
        if (texture)
            texture->AddRef();
        if (parameter->value->texture)
            parameter->value->texture->Release();
        parameter->value->texture = texture;
        return D3D_OK;
    }

    HRESULT GetTexture(D3DXHANDLE handle, IDirect3DBaseTexture9** texture) override
    {
        Parameter* parameter = FindParameter(handle);
        if (!parameter || !parameter->texture || !texture)
            return D3DERR_INVALIDCALL;
        *texture = parameter->value->texture;
        if (*texture)
            (*texture)->AddRef();
        return D3D_OK;
    }

    HRESULT Begin(UINT* passes, DWORD /*flags*/) override
    {
        if (!passes || !m_current || m_begun)
            return D3DERR_INVALIDCALL;
        *passes = m_current->passes;
        m_begun = true;
        return D3D_OK;
    }

    HRESULT BeginPass(UINT pass) override
    {
        if (!m_begun || m_inPass || pass >= m_current->passes)
            return D3DERR_INVALIDCALL;
        m_inPass = true;
        return D3D_OK;
    }

    HRESULT CommitChanges() override { return m_inPass ? D3D_OK : D3DERR_INVALIDCALL; }

    HRESULT EndPass() override
    {
        if (!m_inPass)
            return D3DERR_INVALIDCALL;
        m_inPass = false;
        return D3D_OK;
    }

    HRESULT End() override
    {
        if (!m_begun || m_inPass)
            return D3DERR_INVALIDCALL;
        m_begun = false;
        return D3D_OK;
    }

    HRESULT OnLostDevice() override
    {
        ++m_record.lostCount;
        return D3D_OK;
    }

    HRESULT OnResetDevice() override
    {
        ++m_record.resetCount;
        return D3D_OK;
    }

private:
    // A handle handed out here, or a name.
    Parameter* FindParameter(D3DXHANDLE handle)
    {
        if (!handle)
            return nullptr;
        const auto found = m_parameterByHandle.find(handle);
        if (found != m_parameterByHandle.end())
            return found->second;
        const D3DXHANDLE byName = GetParameterByName(nullptr, handle);
        return byName ? m_parameterByHandle[byName] : nullptr;
    }

    Technique* FindTechnique(D3DXHANDLE handle)
    {
        if (!handle)
            return nullptr;
        const auto found = m_techniqueByHandle.find(handle);
        if (found != m_techniqueByHandle.end())
            return found->second;
        const D3DXHANDLE byName = GetTechniqueByName(handle);
        return byName ? m_techniqueByHandle[byName] : nullptr;
    }

    // The bytes of a value of `size` that fit the parameter.
    UINT Fitting(D3DXHANDLE handle, size_t size)
    {
        const Parameter* parameter = FindParameter(handle);
        return parameter ? static_cast<UINT>(std::min(size, parameter->value->bytes.size())) : 0;
    }

    IDirect3DDevice9* m_device;
    EffectPool* m_pool;
    std::vector<std::unique_ptr<Parameter>> m_parameters;
    std::vector<std::unique_ptr<Technique>> m_techniques;
    std::map<D3DXHANDLE, Parameter*> m_parameterByHandle;
    std::map<D3DXHANDLE, Technique*> m_techniqueByHandle;
    Technique* m_current = nullptr;
    bool m_begun = false;
    bool m_inPass = false;
    PlatformD3DX::EffectRecord m_record;
};
}

HRESULT D3DXCreateEffectPool(ID3DXEffectPool** pool)
{
    if (!pool)
        return D3DERR_INVALIDCALL;
    *pool = new EffectPool();
    return D3D_OK;
}

HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID data, UINT length, const D3DXMACRO* defines,
                         ID3DXInclude* include, DWORD /*flags*/, ID3DXEffectPool* pool, ID3DXEffect** effect,
                         ID3DXBuffer** errors)
{
    if (effect)
        *effect = nullptr;
    if (errors)
        *errors = nullptr;
    EffectPool* ownPool = pool ? dynamic_cast<EffectPool*>(pool) : nullptr;
    if (!device || !data || length == 0 || !effect || defines || include || (pool && !ownPool))
        return D3DERR_INVALIDCALL;

    ScannedEffect scanned;
    std::string error;
    if (!ScanEffect(std::string(static_cast<const char*>(data), length), scanned, error)) {
        if (errors)
            *errors = new TextBuffer(error);
        return E_FAIL;
    }
    D3DCAPS9 caps{};
    const HRESULT result = device->GetDeviceCaps(&caps);
    if (FAILED(result))
        return result;
    *effect = new Effect(device, ownPool, scanned, caps);
    ++g_effectCreations;
    return D3D_OK;
}

namespace PlatformD3DX
{
const EffectRecord* RecordOf(ID3DXEffect* effect)
{
    const Effect* made = dynamic_cast<Effect*>(effect);
    return made ? &made->Record() : nullptr;
}

int EffectCreationCount()
{
    return g_effectCreations;
}

int LiveEffectCount()
{
    return g_liveEffects;
}

int LivePoolCount()
{
    return g_livePools;
}
}
