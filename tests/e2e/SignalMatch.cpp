#include "SignalMatch.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace barquill::e2e {

namespace {

using Complex = std::complex<double>;

void fft(std::vector<Complex>& a, bool inverse) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = 2 * M_PI / static_cast<double>(len) * (inverse ? 1 : -1);
        const Complex step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            Complex w(1);
            for (size_t j = 0; j < len / 2; ++j) {
                const Complex u = a[i + j];
                const Complex v = a[i + j + len / 2] * w;
                a[i + j] = u + v;
                a[i + j + len / 2] = u - v;
                w *= step;
            }
        }
    }
    if (inverse)
        for (auto& x : a)
            x /= static_cast<double>(n);
}

} // namespace

double rms(const float* data, size_t n) {
    double sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += static_cast<double>(data[i]) * data[i];
    return n ? std::sqrt(sum / static_cast<double>(n)) : 0;
}

std::vector<double> crossCorrelate(const std::vector<float>& a, const std::vector<float>& b) {
    if (b.empty() || a.size() < b.size()) return {};
    size_t n = 1;
    while (n < a.size() + b.size())
        n <<= 1;
    std::vector<Complex> fa(n), fb(n);
    std::copy(a.begin(), a.end(), fa.begin());
    std::copy(b.begin(), b.end(), fb.begin());
    fft(fa, false);
    fft(fb, false);
    for (size_t i = 0; i < n; ++i)
        fa[i] *= std::conj(fb[i]);
    fft(fa, true);
    std::vector<double> result(a.size() - b.size() + 1);
    for (size_t k = 0; k < result.size(); ++k)
        result[k] = fa[k].real();
    return result;
}

Match compareAt(const std::vector<float>& a, int64_t offset, const std::vector<float>& b) {
    Match m;
    if (offset < 0 || static_cast<size_t>(offset) + b.size() > a.size() || b.empty()) return m;
    double dot = 0, ea = 0, eb = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        const double x = a[offset + i], y = b[i];
        dot += x * y;
        ea += x * x;
        eb += y * y;
    }
    m.offset = offset;
    m.correlation = (ea > 0 && eb > 0) ? dot / std::sqrt(ea * eb) : 0;
    m.levelRatio = eb > 0 ? std::sqrt(ea / eb) : 0;
    return m;
}

Match findInside(const std::vector<float>& a, const std::vector<float>& b) {
    const auto xc = crossCorrelate(a, b);
    if (xc.empty()) return {};
    const auto best = std::max_element(xc.begin(), xc.end()) - xc.begin();
    return compareAt(a, best, b);
}

int countSilentRuns(const std::vector<float>& data, size_t minFrames, float threshold) {
    int runs = 0;
    size_t length = 0;
    for (float x : data) {
        if (std::fabs(x) < threshold) {
            ++length;
        } else {
            if (length >= minFrames) ++runs;
            length = 0;
        }
    }
    return runs;
}

} // namespace barquill::e2e
