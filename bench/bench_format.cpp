// Format and text-to-number speed next to the C library's grouped printf, in ns per call.
//   build-*/bin/bench_format --benchmark_min_time=0.5
// snprintf runs under LC_NUMERIC en_US.UTF-8 when the system has it (else C, which does not group;
// LOCPATH can point at a locale compiled with localedef).

#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "automation/variant.h"
#include "regional/format.h"

using automation::Currency;

namespace {

constexpr std::size_t kCount = 1024;

// Money values of every size, both signs, deterministic.
const std::vector<Currency>& moneyValues() {
  static const std::vector<Currency> values = [] {
    std::vector<Currency> v;
    uint64_t state = 12345;
    for (std::size_t k = 0; k < kCount; ++k) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      int64_t raw = static_cast<int64_t>((state >> 20) % 100000000000ull);  // up to 10 million
      v.push_back(Currency::fromRaw(k % 3 == 0 ? -raw : raw));
    }
    return v;
  }();
  return values;
}

const std::vector<double>& doubleValues() {
  static const std::vector<double> values = [] {
    std::vector<double> v;
    for (Currency c : moneyValues()) v.push_back(c.toDouble() * 1.000123);
    return v;
  }();
  return values;
}

const regional::RegionalSettings& settings(const char* id) {
  static const regional::RegionalSettings us = regional::RegionalSettings::fromLocale("en_US");
  static const regional::RegionalSettings ve = regional::RegionalSettings::fromLocale("es_VE");
  return std::string_view(id) == "es_VE" ? ve : us;
}

void formatterCurrency(benchmark::State& state, const char* locale) {
  const regional::Formatter formatter("#,##0.00", settings(locale));
  const auto& values = moneyValues();
  std::size_t i = 0;
  for (auto _ : state) {
    std::string s = formatter.format(values[i++ % kCount]);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK_CAPTURE(formatterCurrency, en_US, "en_US");
BENCHMARK_CAPTURE(formatterCurrency, es_VE, "es_VE");

void formatterCurrencyReusedString(benchmark::State& state) {
  const regional::Formatter formatter("#,##0.00", settings("en_US"));
  const auto& values = moneyValues();
  std::string s;
  std::size_t i = 0;
  for (auto _ : state) {
    formatter.formatTo(values[i++ % kCount], s);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(formatterCurrencyReusedString);

void formatVariantCurrency(benchmark::State& state) {
  const auto& rs = settings("es_VE");
  std::vector<automation::Variant> values(moneyValues().begin(), moneyValues().end());
  std::size_t i = 0;
  for (auto _ : state) {
    std::string s = regional::format(values[i++ % kCount], "#,##0.00", rs);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(formatVariantCurrency);

void formatterDouble(benchmark::State& state) {
  const regional::Formatter formatter("0.00", settings("en_US"));
  const auto& values = doubleValues();
  std::size_t i = 0;
  for (auto _ : state) {
    std::string s = formatter.format(values[i++ % kCount]);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(formatterDouble);

void formatVariantDouble(benchmark::State& state) {
  const auto& rs = settings("en_US");
  std::vector<automation::Variant> values(doubleValues().begin(), doubleValues().end());
  std::size_t i = 0;
  for (auto _ : state) {
    std::string s = regional::format(values[i++ % kCount], "0.00", rs);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(formatVariantDouble);

void parseCurrencyText(benchmark::State& state, const char* locale) {
  const auto& rs = settings(locale);
  const automation::NumberSymbols symbols = rs.numberSymbols();
  const regional::Formatter formatter("#,##0.00", rs);
  std::vector<std::string> texts;
  for (Currency c : moneyValues()) texts.push_back(formatter.format(c));
  std::size_t i = 0;
  for (auto _ : state) {
    auto value = automation::parseCurrency(texts[i++ % kCount], symbols);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK_CAPTURE(parseCurrencyText, en_US, "en_US");
BENCHMARK_CAPTURE(parseCurrencyText, es_VE, "es_VE");

void cCurOfText(benchmark::State& state) {
  const auto& rs = settings("es_VE");
  const automation::NumberSymbols symbols = rs.numberSymbols();
  const regional::Formatter formatter("#,##0.00", rs);
  std::vector<automation::Variant> texts;
  for (Currency c : moneyValues()) texts.emplace_back(formatter.format(c));
  std::size_t i = 0;
  for (auto _ : state) {
    Currency value = automation::cCur(texts[i++ % kCount], symbols);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(cCurOfText);

// The C library's grouped fixed-point output of the same amounts, as the yardstick.
void snprintfGrouped(benchmark::State& state) {
  const auto& values = doubleValues();
  char buf[64];
  std::size_t i = 0;
  for (auto _ : state) {
    int n = std::snprintf(buf, sizeof buf, "%'.2f", values[i++ % kCount]);
    std::string s(buf, static_cast<std::size_t>(n));
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(snprintfGrouped);

}  // namespace

int main(int argc, char** argv) {
  const char* numeric = std::setlocale(LC_NUMERIC, "en_US.UTF-8");
  if (numeric == nullptr) numeric = std::setlocale(LC_NUMERIC, "C");
  benchmark::AddCustomContext("snprintf LC_NUMERIC", numeric ? numeric : "?");
  char sample[64];
  std::snprintf(sample, sizeof sample, "%'.2f", 1234567.891);
  benchmark::AddCustomContext("snprintf sample", sample);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
