// Writes a job file into a folder the way the producing programs do: under a temporary name first, then
// renamed, so the processor never sees half a file. For the tests that drive the real program from outside.
//
//   write_test_job <folder> <name> [--objects N] [--inches W] [--dpi N] [--template NAME] [--text TEXT]
//                  [--bad-signature]
//
// The page is W inches wide and half as high again, with N background-colour objects and, with --text, a line of
// black text across its upper third.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/app/sample_text.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/object_record_writer.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <folder> <name> [--objects N] [--inches W] [--dpi N] [--template NAME] "
                         "[--text TEXT] [--bad-signature]\n", argv[0]);
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path folder = argv[1];
  const std::string name = argv[2];
  vorl::test::JobSpec spec;
  spec.printerType = 34;  // delivered as a print-data file
  spec.pageWidth = 2.0f;
  spec.resolution = 50;
  int objects = 1;
  const char* text = nullptr;
  for (int i = 3; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--objects") == 0 && hasValue) {
      objects = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--inches") == 0 && hasValue) {
      spec.pageWidth = static_cast<float>(std::atof(argv[++i]));
    } else if (std::strcmp(argv[i], "--dpi") == 0 && hasValue) {
      spec.resolution = static_cast<std::int16_t>(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--template") == 0 && hasValue) {
      spec.templateName = argv[++i];
    } else if (std::strcmp(argv[i], "--text") == 0 && hasValue) {
      text = argv[++i];
    } else if (std::strcmp(argv[i], "--bad-signature") == 0) {
      spec.signature = 0x1234;
    } else {
      std::fprintf(stderr, "unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  spec.pageHeight = spec.pageWidth * 1.5f;
  for (int i = 0; i < objects; ++i) spec.pageRecords.push_back(vorl::test::backColorRecord({}));
  if (text != nullptr) spec.pageRecords.push_back(vorl::test::textRecord(vorl::test::blackTextAcross(spec, text)));
  const fs::path temporary = folder / ("TempFile-" + name);
  vorl::test::writeFile(temporary, vorl::test::writeJobFile(spec).bytes);
  fs::rename(temporary, folder / name);
  return 0;
}
