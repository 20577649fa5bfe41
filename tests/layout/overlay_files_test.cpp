// Which graphic an overlay or group photo finds, and when it draws nothing: missing and unreadable files, names
// from the job file that would lead out of the graphics folder, the skip flag, the cut-out category and the
// job's ignore-overlays switch.
#include <fstream>

#include "layout/overlay_objects.h"
#include "tests/layout/overlay_objects_fixture.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/message_recorder.h"
#include "tests/support/object_record_writer.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using namespace test;

enum class Kind { group, file, transparent };

const char* nameOf(Kind kind) {
  switch (kind) {
    case Kind::group:
      return "grou";
    case Kind::file:
      return "fovl";
    case Kind::transparent:
      return "tran";
  }
  return "";
}

Placement oneInchAtOne() {
  Placement at;
  at.x = 1;
  at.y = 1;
  at.width = 1;
  at.height = 1;
  return at;
}

OverlaySpec overlaySpec(const std::string& category, const std::string& name) {
  OverlaySpec spec;
  spec.at = oneInchAtOne();
  spec.category = category;
  spec.name = name;
  spec.flagA = 0;
  spec.flagB = 0;
  spec.skipFlag = 0;
  return spec;
}

Bytes recordOf(Kind kind, const std::string& category, const std::string& name) {
  if (kind == Kind::group) {
    GroupPhotoSpec spec;
    spec.at = oneInchAtOne();
    spec.category = category;
    spec.name = name;
    return groupPhotoRecord(spec);
  }
  const OverlaySpec spec = overlaySpec(category, name);
  return kind == Kind::file ? fileOverlayRecord(spec) : transparentOverlayRecord(spec);
}

constexpr Kind kAllKinds[] = {Kind::group, Kind::file, Kind::transparent};

class OverlayFiles : public OverlayObjectsTest {
 protected:
  // Draws the job's only object on a fresh 300 x 300 page at 100 dpi; true when it painted anything.
  bool draws(TBGPrintView& view, bool expectedResult = true) {
    EXPECT_EQ(view.layoutObjects().size(), 1u);
    OffscreenPtr page = makePage(300, 300);
    EXPECT_EQ(view.layoutObjects().front()->Draw4Printing(page.get(), 100, &view), expectedResult);
    return paintedArea(*page).right != 0;
  }
  bool draws(Kind kind, const std::string& category, const std::string& name) {
    auto view = readJob({recordOf(kind, category, name)});
    return draws(*view);
  }
};

TEST_F(OverlayFiles, CategoryAndFileNamesMatchIgnoringLetterCase) {
  writeGraphic("Studio Frames", "Gold Frame.png", *quadrantPicture(20, 20));
  for (const Kind kind : kAllKinds)
    for (const auto& [category, name] : std::vector<std::pair<std::string, std::string>>{
             {"Studio Frames", "Gold Frame.png"}, {"STUDIO FRAMES", "gold frame.PNG"}, {"studio frames", "GOLD FRAME.png"}}) {
      SCOPED_TRACE(std::string(nameOf(kind)) + " " + category + "/" + name);
      MessageRecorder messages;
      EXPECT_TRUE(draws(kind, category, name));
      EXPECT_TRUE(messages.messages().empty());
    }
}

// A missing file or folder, or a name that names nothing, draws nothing and tells nobody.
TEST_F(OverlayFiles, MissingGraphicsDrawNothingAndSayNothing) {
  writeGraphic("FRAMES", "gold.png", *quadrantPicture(20, 20));
  for (const Kind kind : kAllKinds)
    for (const auto& [category, name] : std::vector<std::pair<std::string, std::string>>{
             {"FRAMES", "silver.png"}, {"BORDERS", "gold.png"}, {"FRAMES", ""}, {"", "gold.png"}}) {
      SCOPED_TRACE(std::string(nameOf(kind)) + " " + category + "/" + name);
      MessageRecorder messages;
      EXPECT_FALSE(draws(kind, category, name));
      EXPECT_TRUE(messages.messages().empty());
    }
  // Without a graphics folder at all.
  fs::remove_all(graphicsFolder());
  for (const Kind kind : kAllKinds) {
    MessageRecorder messages;
    EXPECT_FALSE(draws(kind, "FRAMES", "gold.png"));
    EXPECT_TRUE(messages.messages().empty());
  }
}

// Names from the job file never reach a file outside the graphics folder. Bait lies one level up from a
// category folder and in the print-server root, each drawable were it found.
TEST_F(OverlayFiles, NamesFromTheJobFileNeverLeaveTheGraphicsFolder) {
  writeGraphic("FRAMES", "gold.png", *quadrantPicture(20, 20));
  writeGraphic(".", "x", *quadrantPicture(20, 20));     // the graphics folder itself
  writeGraphic("..", "x", *quadrantPicture(20, 20));    // the print-server root
  writeGraphic(".", ".x", *quadrantPicture(20, 20));
  writeGraphic("FRAMES", ".hidden.png", *quadrantPicture(20, 20));
  struct Case {
    std::string category, name;
    bool told;  // the operator is told the name was refused
  };
  const std::vector<Case> cases = {
      {"..", "x", true},
      {"FRAMES", "../x", true},
      {"FRAMES", "..", true},
      {"FRAMES", ".hidden.png", true},
      {".", "x", true},
      {"FRAMES", std::string("gold.png\0../x", 13), true},
      {std::string("FRA\0MES", 7), "gold.png", true},
      {"/", "x", false},          // a "/" is ":" on disk: just a folder that is not there
      {"FRAMES", "/", false},     // and a file that is not there
      {"FRAMES", "/x", false},
      {"", "", false},
  };
  for (const Kind kind : kAllKinds)
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(nameOf(kind)) + " [" + c.category + "] [" + c.name + "]");
      MessageRecorder messages;
      EXPECT_FALSE(draws(kind, c.category, c.name));
      EXPECT_EQ(messages.messages().size(), c.told ? 1u : 0u);
    }
}

// Links inside the graphics folder may not lead out of it either.
TEST_F(OverlayFiles, LinksOutOfTheGraphicsFolderAreNotFollowed) {
  writeGraphic("..", "outside.png", *quadrantPicture(20, 20));
  writeGraphic("FRAMES", "inside.png", *quadrantPicture(20, 20));
  fs::create_symlink(rootFolder() / "outside.png", graphicsFolder() / "FRAMES" / "link.png");
  fs::create_symlink(graphicsFolder() / "FRAMES" / "inside.png", graphicsFolder() / "FRAMES" / "inner link.png");
  fs::create_directories(rootFolder() / "ELSEWHERE");
  writeGraphic("../ELSEWHERE", "far.png", *quadrantPicture(20, 20));
  fs::create_directory_symlink(rootFolder() / "ELSEWHERE", graphicsFolder() / "LINKED");
  for (const Kind kind : kAllKinds) {
    SCOPED_TRACE(nameOf(kind));
    EXPECT_FALSE(draws(kind, "FRAMES", "link.png"));
    EXPECT_FALSE(draws(kind, "LINKED", "far.png"));
    EXPECT_TRUE(draws(kind, "FRAMES", "inner link.png"));
  }
}

// A file that is there but is no image: nothing drawn, the object's usual answer, and the operator told.
TEST_F(OverlayFiles, UnreadableGraphicIsToldAndDrawsNothing) {
  fs::create_directories(graphicsFolder() / "FRAMES");
  std::ofstream(graphicsFolder() / "FRAMES" / "broken.png") << "\x89PNG\r\n\x1a\n not really";
  for (const Kind kind : kAllKinds) {
    SCOPED_TRACE(nameOf(kind));
    MessageRecorder messages;
    EXPECT_FALSE(draws(kind, "FRAMES", "broken.png"));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages().front().find("\"broken.png\""), std::string::npos) << messages.messages().front();
    EXPECT_NE(messages.messages().front().find("could not be read"), std::string::npos);
  }
}

// Skip flag, flags and mode as read from the job file, the cut-out category, and the printer the page is for.
TEST_F(OverlayFiles, SkipFlagModeAndCategoryDecideWhatDraws) {
  writeGraphic("FRAMES", "gold.png", *quadrantPicture(20, 20));
  writeGraphic("CUT-OUT FILES", "gold.png", *quadrantPicture(20, 20));
  struct Case {
    Kind kind;
    std::string category;
    std::int16_t skipFlag, flagA, flagB, mode;
    std::int16_t printerType;
    std::int16_t expectedMode;
    bool drawn;
  };
  const Case cases[] = {
      // The skip flag leaves the overlay out on the print-to-file set printers only.
      {Kind::file, "FRAMES", 1, 0, 0, 0, 25, 1, false},
      {Kind::file, "FRAMES", 1, 0, 0, 0, 28, 1, false},
      {Kind::file, "FRAMES", 1, 0, 0, 0, 49, 1, false},
      {Kind::file, "FRAMES", 1, 0, 0, 0, 52, 1, false},
      {Kind::file, "FRAMES", 1, 0, 0, 0, 24, 1, true},
      {Kind::file, "FRAMES", 1, 0, 0, 0, 29, 1, true},
      {Kind::file, "FRAMES", 1, 0, 0, 0, 53, 1, true},
      {Kind::file, "FRAMES", 0, 0, 0, 0, 26, 1, true},
      {Kind::transparent, "FRAMES", 1, 0, 0, 0, 27, 1, false},
      {Kind::transparent, "FRAMES", 1, 0, 0, 0, 50, 1, false},
      {Kind::transparent, "FRAMES", 1, 0, 0, 0, 17, 1, true},
      {Kind::transparent, "FRAMES", 0, 0, 0, 0, 51, 1, true},
      // Flag B is stored little-endian; 0x0100 reads as 1 there and as 256 the other way: set either way.
      {Kind::file, "FRAMES", 0, 1, 0x0100, 0, 17, 3, true},
      {Kind::transparent, "FRAMES", 0, 0, 1, 0, 17, 3, true},
      {Kind::file, "FRAMES", 0, 1, 0, 0, 17, 2, true},
      {Kind::transparent, "FRAMES", 0, 1, 1, 7, 17, 7, true},
      // Cut-out files are for the producer: the transparent overlay never prints them, whatever the case.
      {Kind::transparent, "CUT-OUT FILES", 0, 0, 0, 0, 17, 1, false},
      {Kind::transparent, "cut-out files", 0, 0, 0, 0, 17, 1, false},
      {Kind::file, "CUT-OUT FILES", 0, 0, 0, 0, 17, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(nameOf(c.kind)) + " " + c.category + " skip " + std::to_string(c.skipFlag) + " B " +
                 std::to_string(c.flagB) + " mode " + std::to_string(c.mode) + " printer " +
                 std::to_string(c.printerType));
    OverlaySpec spec = overlaySpec(c.category, "gold.png");
    spec.skipFlag = c.skipFlag;
    spec.flagA = c.flagA;
    spec.flagB = c.flagB;
    spec.mode = c.mode;
    auto view =
        readJob({c.kind == Kind::file ? fileOverlayRecord(spec) : transparentOverlayRecord(spec)}, c.printerType);
    const TLayoutObject& object = *view->layoutObjects().front();
    const auto& fields = c.kind == Kind::file
                             ? static_cast<const OverlayFileFields&>(static_cast<const TFileOverlayObject&>(object))
                             : static_cast<const TTransparentOverlayObject&>(object);
    EXPECT_EQ(fields.overlayMode(), c.expectedMode);
    EXPECT_EQ(draws(*view), c.drawn);
  }
}

// The group photo has no skip flag: it prints on every printer.
TEST_F(OverlayFiles, GroupPhotoPrintsOnEveryPrinter) {
  writeGraphic("GROUPS", "team.png", *quadrantPicture(20, 20));
  for (const std::int16_t printerType : {17, 25, 52}) {
    auto view = readJob({recordOf(Kind::group, "GROUPS", "team.png")}, printerType);
    EXPECT_TRUE(draws(*view)) << printerType;
  }
}

// A sub-job drawn while the job asks to ignore overlays leaves its file overlays out; transparent overlays stay.
TEST_F(OverlayFiles, IgnoreOverlaysLeavesFileOverlaysOutOfTheSubJob) {
  writeGraphic("FRAMES", "gold.png", *quadrantPicture(20, 20));
  for (const bool ignore : {false, true}) {
    for (const Kind kind : {Kind::file, Kind::transparent}) {
      SCOPED_TRACE(std::string(nameOf(kind)) + (ignore ? " ignoring overlays" : " drawing overlays"));
      JobSpec job;
      job.pageRecords = {backColorRecord({})};
      job.resolution = 100;
      job.hasSubJob = true;
      job.subJobWidth = 3;
      job.subJobHeight = 3;
      AttributeSpec attribute;
      attribute.ignoreOverlays = ignore ? 1 : 0;
      job.subJobRecords = {attributeRecord(attribute), recordOf(kind, "FRAMES", "gold.png")};
      TBGPrintView view;
      ASSERT_EQ(view.ReadJobFile(writeJobFile(job).bytes), 0);
      ASSERT_EQ(view.DrawSubJob(), 0);
      const Offscreen* picture = view.GetSubJobOffscreen();
      ASSERT_NE(picture, nullptr);
      const bool drawn = colourAt(*picture, 110, 110) == kRed;
      EXPECT_EQ(drawn, !(ignore && kind == Kind::file));
    }
  }
}

}  // namespace
}  // namespace vorl
