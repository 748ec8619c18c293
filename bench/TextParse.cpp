// Cutting a 20 MB text data file into lines, and into lines and tokens (as
// views, and as strings), set against a plain line split of the same bytes
// (find each line feed, copy the line). The file is written through
// CPFileWriter into a scratch root under /tmp and loaded once through
// CPFileReader.
#include "Core/PFileReader.h"
#include "Core/PFileWriter.h"
#include "Core/PTextParser.h"
#include "Core/PTokenizer.h"
#include "Platform/GamePath.h"
#include "tests/ScratchRoot.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>

namespace
{
constexpr size_t kTargetBytes = 20u << 20;
const char kTextFile[] = "Data\\Bench\\Scene.txt";

// Lines as scene and screen descriptions have them: sections, key and value
// lists, quoted names, comments and blank lines.
struct TextRoot
{
    TextRoot()
    {
        scratch.MakeDirectory("data/bench");
        std::string text;
        text.reserve(kTargetBytes + 256);
        char line[160];
        for (int i = 0; text.size() < kTargetBytes; ++i) {
            if (i % 50 == 0)
                std::snprintf(line, sizeof(line), "[object_%d]\r\n", i);
            else if (i % 17 == 0)
                std::snprintf(line, sizeof(line), "// part %d of the scene\r\n\r\n", i);
            else
                std::snprintf(line, sizeof(line), "  mesh_%05d = %d.25, %d.5, -%d.75, \"Part, %d\", lod_%d  \r\n",
                              i % 100000, i % 977, i % 313, i % 211, i, i % 4);
            text += line;
        }
        CPFileWriter writer(kTextFile);
        writer.Write(text.data(), text.size());
        if (FAILED(writer.Save()))
            std::abort();
        if (FAILED(reader.Load()) || reader.GetSize() != static_cast<int32_t>(text.size()))
            std::abort();
    }
    ScratchRoot scratch;
    CPFileReader reader { kTextFile };
};

TextRoot& Root()
{
    static TextRoot root;
    return root;
}

void ParseLines(benchmark::State& state)
{
    const CPFileReader& file = Root().reader;
    for (auto _ : state) {
        CPTextParser parser(file.GetData(), file.GetSize());
        size_t lines = 0;
        while (parser.NextLine())
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * file.GetSize());
}
BENCHMARK(ParseLines)->Unit(benchmark::kMillisecond);

// Lines and tokens at ",": as views of the file's bytes, or (Token a string)
// each line and token copied out.
template <typename Token>
void TokenizeLines(benchmark::State& state)
{
    constexpr bool kViews = std::is_same_v<Token, std::string_view>;
    const CPFileReader& file = Root().reader;
    Token token;
    for (auto _ : state) {
        CPTextParser parser(file.GetData(), file.GetSize());
        size_t tokens = 0;
        while (parser.NextLine()) {
            if (!parser.IsPlainLine())
                continue;
            CPTokenizer tokenizer(kViews ? parser.GetLineView() : std::string_view(parser.GetLine()), ",", 1);
            while (tokenizer.NextToken(token))
                tokens += token.size() + 1;
        }
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(state.iterations() * file.GetSize());
}

void ParseLinesAndTokens(benchmark::State& state)
{
    TokenizeLines<std::string_view>(state);
}
BENCHMARK(ParseLinesAndTokens)->Unit(benchmark::kMillisecond);

void ParseLinesAndTokenStrings(benchmark::State& state)
{
    TokenizeLines<std::string>(state);
}
BENCHMARK(ParseLinesAndTokenStrings)->Unit(benchmark::kMillisecond);

// The baseline: every line feed found, every line copied into a string.
void PlainLineSplit(benchmark::State& state)
{
    const CPFileReader& file = Root().reader;
    const char* data = reinterpret_cast<const char*>(file.GetData());
    const size_t size = static_cast<size_t>(file.GetSize());
    std::string line;
    for (auto _ : state) {
        size_t lines = 0;
        size_t position = 0;
        while (position < size) {
            const void* feed = std::memchr(data + position, '\n', size - position);
            const size_t end = feed ? static_cast<size_t>(static_cast<const char*>(feed) - data) : size;
            line.assign(data + position, end - position);
            lines += line.size() != 0;
            position = end + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * file.GetSize());
}
BENCHMARK(PlainLineSplit)->Unit(benchmark::kMillisecond);

// The everyday C++ split: std::getline over a string stream of the bytes.
void GetlineSplit(benchmark::State& state)
{
    const CPFileReader& file = Root().reader;
    const std::string bytes(reinterpret_cast<const char*>(file.GetData()), static_cast<size_t>(file.GetSize()));
    std::string line;
    for (auto _ : state) {
        std::istringstream stream(bytes);
        size_t lines = 0;
        while (std::getline(stream, line))
            lines += line.size() != 0;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * file.GetSize());
}
BENCHMARK(GetlineSplit)->Unit(benchmark::kMillisecond);
}
