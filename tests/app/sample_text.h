// A line of black text across the upper third of a job's page: what the sample jobs and the comparison of the
// page tool with the processor draw.
#pragma once

#include <string>

#include "tests/support/job_file_writer.h"
#include "tests/support/object_record_writer.h"

namespace vorl::test {

inline TextSpec blackTextAcross(const JobSpec& page, std::string text) {
  TextSpec spec;
  spec.text = std::move(text);
  spec.at.x = 0.1f * page.pageWidth;
  spec.at.y = 0.1f * page.pageHeight;
  spec.at.width = 0.8f * page.pageWidth;
  spec.at.height = 0.25f * page.pageHeight;
  spec.style.color = {0, 0, 0};
  spec.style.size = 24;
  spec.style.font = 3;  // a sans-serif family
  spec.style.face = 1;  // bold
  spec.style.justification = 1;  // centred
  spec.rotation = 0;
  spec.skipFlag = 0;
  spec.codeType = 0;  // text, not a bar code
  return spec;
}

}  // namespace vorl::test
