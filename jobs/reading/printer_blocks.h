// jobs/reading/: reading a job file into memory. The reader walks the file's settings blocks and object lists
// (job_file_reader.cpp), the printer block by printer type (printer_blocks), the keyed archives and upload data the
// job carries, the checks every stored string passes, the printer type names and the defaults of the older printer
// numbering, and the process-wide values the reader leaves for the job in hand (job_globals).
//
// The printer settings block of a job file: which records a printer type carries, in which order.
//
// Right after its first five fields every job file carries one block whose records depend on the printer type;
// the later steps (colour settings, output geometry, the print-data file and the print dictionary) read the same
// records by printer type. The job view reads the block with `ReadColorCorrectionValue`.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorl {

enum class PrinterFamily {
  ColorAdjust,          // 1, 2, 3, 10, 18: colour-adjust block one
  ColorAdjustAndMedia,  // 9, 21, 37, 39, 41, 42: block one and media block one; block one's switch decides
  Kodak,                // 5, 6, 7: Kodak settings, colour-adjust block two
  Fuji,                 // 12, 13, 19, 20: Fuji colour adjust
  MitsubishiWithMedia,  // 23: Mitsubishi settings and Mitsubishi media
  SecondBlocks,         // 24, 29, 33: colour-adjust block two and media block two
  PrintToFileSet,       // 25 to 28, 49 to 52: the print-to-file item
  Shinko,               // 15, 16, 40: Shinko settings, media block one
  Mitsubishi,           // 11, 31, 32, 36, 43, 44, 47, 53, 56, 57: Mitsubishi settings, media block one
  Noritsu,              // 30: Noritsu settings, media block one
  OlmecOP800,           // 38: Olmec OP800 settings, media block one
  DNP,                  // 45, 46, 48, 54, 55: DNP settings, media block one
  NoBlock,              // 8 (system printing), 17 (single print-to-file folder), 34
  Unknown,              // 0, 4, 14, 22, 35, negative types and types above 57
};

PrinterFamily printerFamilyOf(std::int16_t printerType) noexcept;

// The bytes the printer type's block takes in the file.
std::size_t printerBlockSize(std::int16_t printerType) noexcept;

}  // namespace vorl
