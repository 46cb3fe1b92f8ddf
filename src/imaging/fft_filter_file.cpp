#include "imaging/fft_filter_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace veltor::fft {

std::string filterFileText(std::span<const double> curve)
{
    std::string text;
    const size_t half = curve.size() / 2;
    char number[64];
    for (size_t i = 0; i < half; ++i) {
        const auto [end, error] = std::to_chars(number, number + sizeof number, curve[i], std::chars_format::fixed, 5);
        if (error == std::errc())
            text.append(number, end);
        else
            text += "0.00000";
        text += '\n';
    }
    return text;
}

bool parseFilterValues(std::string_view text, std::vector<double>& values)
{
    values.clear();
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
    size_t i = 0;
    std::string token;
    while (i < text.size()) {
        while (i < text.size() && isSpace(text[i]))
            ++i;
        const size_t start = i;
        while (i < text.size() && !isSpace(text[i]))
            ++i;
        if (i == start)
            break;
        token.assign(text.substr(start, i - start));
        std::replace(token.begin(), token.end(), ',', '.');
        const char* first = token.data();
        if (*first == '+')
            ++first;
        double v = 0.0;
        const auto [end, error] = std::from_chars(first, token.data() + token.size(), v);
        if (error != std::errc() || end != token.data() + token.size() || !std::isfinite(v)) {
            values.clear();
            return false;
        }
        values.push_back(std::max(v, 0.0));
    }
    if (values.empty())
        return false;
    const double largest = *std::max_element(values.begin(), values.end());
    if (largest > 0.0)
        for (double& v : values)
            v /= largest;
    return true;
}

std::vector<double> curveFromValues(std::span<const double> values, int32_t n)
{
    if (values.empty() || n < 1)
        return {};
    std::vector<double> curve(static_cast<size_t>(n), 0.0);
    const int32_t h = n / 2;
    const auto count = static_cast<int64_t>(values.size());
    const double step = h > 0 ? static_cast<double>(count) / h : 0.0;
    for (int32_t i = 0; i < h; ++i) {
        const double position = i * step;
        const auto index = std::min<int64_t>(static_cast<int64_t>(position), count - 1);
        const int64_t next = std::min<int64_t>(index + 1, count - 1);
        const double f = position - static_cast<double>(index);
        const double v = (1.0 - f) * values[static_cast<size_t>(index)] + f * values[static_cast<size_t>(next)];
        curve[static_cast<size_t>(i)] = v;
        curve[static_cast<size_t>(n - 1 - i)] = v;
    }
    return curve;
}

bool loadFilterFile(const std::string& path, int32_t n, std::vector<double>& curve)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxFilterFileBytes)
        return false;
    in.seekg(0);
    std::string text(static_cast<size_t>(size), '\0');
    if (!in.read(text.data(), size))
        return false;
    std::vector<double> values;
    if (!parseFilterValues(text, values))
        return false;
    std::vector<double> resampled = curveFromValues(values, n);
    if (resampled.empty())
        return false;
    curve = std::move(resampled);
    return true;
}

bool saveFilterFile(const std::string& path, std::span<const double> curve)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const std::string text = filterFileText(curve);
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written;
}

} // namespace veltor::fft
