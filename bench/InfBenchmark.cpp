// Decoding and parsing INF files of typical (4 KB) and large (1 MB) size in
// each encoding the installer reads: what the model page pays per file.
#include "catalog/CatalogueCore.h"
#include "catalog/InfText.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

enum Encoding { kUtf16LE, kUtf8, kAnsi };

// The QX1000 sample's text, padded with comment lines to `size` bytes once encoded.
std::wstring SampleText(std::size_t size, Encoding encoding)
{
    std::ifstream in(QV_SAMPLE_DIR "/QX1000.INF", std::ios::binary);
    Bytes raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::wstring text;
    DecodeInfText(raw.data(), raw.size(), DecodeWindows1252, text);
    if (encoding == kAnsi) {
        for (wchar_t& c : text)
            if (c > 0x7F)
                c = L'?';
    }
    std::size_t unitBytes = encoding == kUtf16LE ? 2 : 1;
    for (int line = 0; text.size() * unitBytes < size; ++line)
        text += L"; padding line " + std::to_wstring(line) + L" of the benchmark file, nothing to see\r\n";
    text.resize(size / unitBytes - 1);
    return text;
}

Bytes Encode(const std::wstring& text, Encoding encoding)
{
    Bytes b;
    if (encoding == kUtf16LE) {
        b = {0xFF, 0xFE};
        for (wchar_t c : text) {
            b.push_back(static_cast<unsigned char>(c & 0xFF));
            b.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
        }
    } else if (encoding == kUtf8) {
        std::string utf8 = EncodeUtf8(text);
        b = {0xEF, 0xBB, 0xBF};
        b.insert(b.end(), utf8.begin(), utf8.end());
    } else {
        b.assign(text.begin(), text.end());
    }
    return b;
}

void DecodeAndParse(benchmark::State& state)
{
    Encoding encoding = static_cast<Encoding>(state.range(0));
    Bytes file = Encode(SampleText(static_cast<std::size_t>(state.range(1)), encoding), encoding);
    bool accepted = false;
    for (auto _ : state) {
        std::wstring text;
        DecodeInfText(file.data(), file.size(), DecodeWindows1252, text);
        InfAssessment a = AssessInf(L"QX1000.INF", text);
        accepted = a.accepted;
        benchmark::DoNotOptimize(a);
    }
    if (!accepted)
        state.SkipWithError("the sample was not accepted: the benchmark measures the wrong path");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
    static const char* const kNames[] = {"UTF-16LE", "UTF-8", "ANSI"};
    state.SetLabel(kNames[encoding]);
}

}  // namespace

BENCHMARK(DecodeAndParse)
    ->ArgNames({"encoding", "bytes"})
    ->ArgsProduct({{kUtf16LE, kUtf8, kAnsi}, {4096, 1 << 20}});

BENCHMARK_MAIN();
