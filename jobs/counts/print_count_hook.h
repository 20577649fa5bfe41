// Where the job road adds an output to the print counts.
//
// The count files live in the count store, which start-up connects here; until it does, an output is counted
// nowhere (and a log line says so). The job road calls this only after the output was delivered.
#pragma once

#include <cstdint>
#include <functional>

namespace vorl {

// Count kinds the job road produces.
inline constexpr std::int16_t kCountSystemPrint = 1;
inline constexpr std::int16_t kCountPrintToFile = 3;
inline constexpr std::int16_t kCountRegularPrint = 4;
inline constexpr std::int16_t kCountOriginalFile = 12;

using PrintCountAdder =
    std::function<void(std::int16_t quantity, std::int16_t kind, std::int16_t printerType, std::int16_t canvas)>;

// Installs the adder (an empty function removes it). Called at start-up, before the worker runs.
void setPrintCountAdder(PrintCountAdder adder);

// Adds one output to the counts (the processor's all-time and today files).
void addToPrintCount(std::int16_t quantity, std::int16_t kind, std::int16_t printerType, std::int16_t canvas);

// The kind an output of this printer type counts as: 1 system printing, 3 print to file, 4 every other type.
std::int16_t countKindFor(std::int16_t printerType) noexcept;

}  // namespace vorl
