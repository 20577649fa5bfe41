#include "tests/jobs/drawing_test_support.h"

#include "tests/support/object_record_writer.h"

namespace vorl::test {
namespace {

std::uint8_t byteAt(const Offscreen& page, int x, int y, int channel) {
  const PixView pixels = page.view();
  return pixels.row(y)[x * kBytesPerPixel + channel];
}

}  // namespace

ScriptedObject::ScriptedObject(std::string name, const char* type, std::vector<std::string>* drawn, bool draws,
                               Hook onDraw)
    : name_(std::move(name)), drawn_(drawn), draws_(draws), onDraw_(std::move(onDraw)) {
  ILayoutObject({}, fourCharCode(type));
}

bool ScriptedObject::Draw4Printing(Offscreen* page, std::int16_t /*resolution*/, JobViewAccess* view) {
  if (drawn_ != nullptr) drawn_->push_back(name_);
  if (onDraw_) onDraw_(page, view);
  if (draws_ && page != nullptr) paintMark(page);
  return draws_;
}

std::unique_ptr<TLayoutObject> ScriptedObject::Clone() const { return std::make_unique<ScriptedObject>(*this); }

void ScriptedObject::paintMark(Offscreen* page) {
  std::uint8_t* pixel = page->view().row(0);
  pixel[kAlphaByte] = 0;
  pixel[kRedByte] = 255;
  pixel[kGreenByte] = 0;
  pixel[kBlueByte] = 0;
}

SpoolerJob readSpoolerJob(const JobSpec& spec) {
  SpoolerJob job;
  job.result = job.view->ReadJobFile(writeJobFile(spec).bytes);
  return job;
}

JobSpec emptyNodePage() {
  JobSpec spec;
  spec.pageWidth = 1.0f;
  spec.pageHeight = 1.0f;
  spec.resolution = 10;
  spec.pageRecords = {nodeRecord({})};
  return spec;
}

bool isBlankPixel(const Offscreen& page, int x, int y) {
  return byteAt(page, x, y, kAlphaByte) == 0 && byteAt(page, x, y, kRedByte) == 255 &&
         byteAt(page, x, y, kGreenByte) == 255 && byteAt(page, x, y, kBlueByte) == 255;
}

bool isMarkedPixel(const Offscreen& page, int x, int y) {
  return byteAt(page, x, y, kAlphaByte) == 0 && byteAt(page, x, y, kRedByte) == 255 &&
         byteAt(page, x, y, kGreenByte) == 0 && byteAt(page, x, y, kBlueByte) == 0;
}

}  // namespace vorl::test
