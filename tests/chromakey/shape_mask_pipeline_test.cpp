// The shape-mask stage inside a keying pass over the synthetic green-screen photograph: where the drawn mask is
// full the key is transparent, everywhere else the key is the one made without shapes; an empty list keys as
// if the stage had not been asked for.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "chromakey/engine/key_pipeline.h"
#include "chromakey/engine/shape_mask.h"
#include "tests/chromakey/synthetic_green_screen.h"

namespace vorl {
namespace {

DuzeviveShapeImpl rectangle(float x0, float y0, float x1, float y1) {
  DuzeviveShapeImpl shape;
  shape.x = {x0, x1, x1, x0};
  shape.y = {y0, y0, y1, y1};
  shape.multiplicity = {3, 3, 3, 3};
  return shape;
}

std::vector<pixeli> key(const test::GreenScreenScene& scene, fixcoef record, DuzeviveShapeList shapes) {
  std::vector<pixeli> keyed(scene.photograph.size());
  PrimPass pass;
  EXPECT_EQ(primcoef_begin(record, pass), 1);
  const std::uint32_t options = record.options;
  EXPECT_EQ(doPrimProc(scene.photograph.data(), keyed.data(), scene.background.data(), nullptr, scene.width,
                       scene.height, record, nullptr, pass, shapes),
            PrimStatus::ok);
  EXPECT_EQ(record.options, options);
  static_cast<void>(primcoef_finish(record, pass));
  return keyed;
}

class ShapeMaskPass : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    scene_ = new test::GreenScreenScene(test::makeGreenScreenScene(240, 180, 3));
    record_ = test::makeSurfaceKeyFor(*scene_);
    plain_ = new std::vector<pixeli>(key(*scene_, record_, {}));
  }
  static void TearDownTestSuite() {
    delete scene_;
    delete plain_;
  }

  static fixcoef withShapeStage() {
    fixcoef record = record_;
    record.options |= kKeyOptionShapeMask;
    return record;
  }

  static test::GreenScreenScene* scene_;
  static fixcoef record_;
  static std::vector<pixeli>* plain_;
};

test::GreenScreenScene* ShapeMaskPass::scene_ = nullptr;
fixcoef ShapeMaskPass::record_;
std::vector<pixeli>* ShapeMaskPass::plain_ = nullptr;

TEST_F(ShapeMaskPass, FullMaskMakesTransparentAndTheRestKeysAsWithoutShapes) {
  DuzeviveShapeImpl aroundSubject = rectangle(0.3f, 0.25f, 0.7f, 1.0f);
  aroundSubject.invert = true;
  DuzeviveShapeImpl rightPart = rectangle(0.55f, 0.0f, 1.0f, 1.0f);
  // Half strength excludes nothing: without the external-mask option only a full mask value counts.
  DuzeviveShapeImpl faint = rectangle(0.0f, 0.0f, 0.5f, 0.5f);
  faint.alpha = 0.5f;
  struct Case {
    const char* name;
    const DuzeviveShapeImpl* shape;
    bool excludesSome;
  };
  for (const Case& c : {Case{"inverted rectangle around the subject", &aroundSubject, true},
                        Case{"rectangle over the right part", &rightPart, true},
                        Case{"faint rectangle", &faint, false}}) {
    SCOPED_TRACE(c.name);
    const std::vector<const DuzeviveShapeImpl*> shapes = {c.shape};
    const std::vector<pixeli> keyed = key(*scene_, withShapeStage(), shapes);

    std::vector<pixeli> mask(keyed.size());
    ASSERT_EQ(renderMaskShape(mask.data(), scene_->width, scene_->height, shapes, true), PrimStatus::ok);
    std::size_t excluded = 0, subjectExcluded = 0;
    for (std::size_t i = 0; i < keyed.size(); ++i) {
      if (mask[i].g == 65535) {
        ++excluded;
        subjectExcluded += (*plain_)[i].a != 0;
        ASSERT_EQ(keyed[i], (pixeli{0, 0, 0, 0})) << i;
      } else {
        ASSERT_EQ(keyed[i], (*plain_)[i]) << i;
      }
    }
    EXPECT_EQ(excluded > 0, c.excludesSome);
    EXPECT_EQ(subjectExcluded > 0, c.excludesSome);
  }
}

TEST_F(ShapeMaskPass, EmptyListKeysAsWithoutTheStage) {
  EXPECT_EQ(key(*scene_, withShapeStage(), {}), *plain_);
  const std::vector<const DuzeviveShapeImpl*> onlyNull = {nullptr};
  EXPECT_EQ(key(*scene_, withShapeStage(), onlyNull), *plain_);
}

TEST_F(ShapeMaskPass, RefusedShapeStopsThePass) {
  DuzeviveShapeImpl bad = rectangle(0.1f, 0.1f, 0.2f, 0.2f);
  bad.feather = std::numeric_limits<float>::quiet_NaN();
  const std::vector<const DuzeviveShapeImpl*> shapes = {&bad};
  fixcoef record = withShapeStage();
  PrimPass pass;
  ASSERT_EQ(primcoef_begin(record, pass), 1);
  std::vector<pixeli> keyed(scene_->photograph.size());
  EXPECT_EQ(doPrimProc(scene_->photograph.data(), keyed.data(), nullptr, nullptr, scene_->width, scene_->height, record,
                       nullptr, pass, shapes),
            PrimStatus::badArguments);
  EXPECT_EQ(record.options, withShapeStage().options);
}

}  // namespace
}  // namespace vorl
