#pragma once
/// The fuzz targets: each one a row of name, one-time setup and one-input function. Each
/// libFuzzer binary (libfuzzer_main.cpp) runs one row's functions; the corpus replay test runs
/// every row over its checked-in inputs in the ordinary build. Main thread only.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tarn::fuzz {

struct FuzzTarget {
    const char* name;  ///< also the folder of its seeds: fuzz/corpus/<name>
    /// Process setup before the first input (plug-ins loaded, a private working folder).
    void (*setup)();
    /// Runs one input. Crashes, sanitizer reports and abort() are findings; any return is fine.
    void (*runOne)(const std::uint8_t* data, std::size_t size);
};

/// Every target, in a fixed order.
std::span<const FuzzTarget> fuzzTargets();
/// The target with this name, or null.
const FuzzTarget* findFuzzTarget(std::string_view name);

/// Stops the process with a finding: the message on stderr, then abort().
[[noreturn]] void reportFinding(std::string_view what, std::string_view detail);

// The rows (one file each).
void qmfParserSetup();
void qmfParserOne(const std::uint8_t* data, std::size_t size);
void qmfImportSetup();
void qmfImportOne(const std::uint8_t* data, std::size_t size);
void langSetup();
void langOne(const std::uint8_t* data, std::size_t size);
void sceneFileSetup();
void sceneFileOne(const std::uint8_t* data, std::size_t size);
void objReaderSetup();
void objReaderOne(const std::uint8_t* data, std::size_t size);
void modelImportSetup();
void modelImportOne(const std::uint8_t* data, std::size_t size);
void imageReaderSetup();
void imageReaderOne(const std::uint8_t* data, std::size_t size);
void meshHistorySetup();
void meshHistoryOne(const std::uint8_t* data, std::size_t size);

}  // namespace tarn::fuzz
