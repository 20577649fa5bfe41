// The print-to-file outputs as the studio sees them: which files appear in which folder under which names,
// that they appear complete, and that a failure loses nothing already there.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/services/messages.h"
#include "imaging/codecs/image_file_codec.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/engine/job_view.h"
#include "platform/files/apple_double.h"
#include "platform/files/xdg_folders.h"
#include "preferences/preference_globals.h"
#include "tests/jobs/print_to_file_test_support.h"
#include "tests/platform/file_size_limit.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/keyed_archive_writer.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::EditableJobView;
using test::folderTree;
using Tree = std::vector<std::string>;

class RecordingSink final : public MessageSink {
 public:
  void showMessage(std::string_view text) override { messages.emplace_back(text); }
  std::vector<std::string> messages;
};

class PrintToFileOutputs : public ::testing::Test {
 protected:
  void SetUp() override {
    setMessageSink(&sink_);
    test::forgetOutputFolders();
    getMyOutputFilePrefs()->outputQuality = 50;
  }
  void TearDown() override { setMessageSink(nullptr); }

  // A job for set `set` with the usual names: template "Tmpl", photo "IMG_0042", job "Job", extra text "X".
  static void fillJob(EditableJobView& view, std::int16_t set, std::int16_t quantity) {
    JobFileSettings& job = view.edit();
    job.print2FileItem.setNumber = set;
    job.print2FileItem.value2 = 1;  // keep alpha
    job.printQuantity = quantity;
    job.resolution = 300;
    job.imageQuality = 80;
    job.templateName = Str31("Tmpl");
    job.jobName = Str255("Job");
    job.extraNameText = Str255("X");
    view.SetCurrentImageName(CStr255_AC("IMG_0042.jpg"));
  }
  static tSpecialPrintToFilePref& jpegSet(int number, const fs::path& folder, std::int16_t namingMode) {
    tSpecialPrintToFilePref& set = test::pointSetAt(number, folder);
    set.fileFormat = 3;
    set.fileNameExtension = Str31(".JPG");
    set.fileNamePrefix = Str63("Prefix");
    set.namingScheme = namingMode;
    return set;
  }
  static std::int16_t runSetJob(std::int16_t set, std::int16_t quantity, int width = 60, int height = 40) {
    EditableJobView view;
    fillJob(view, set, quantity);
    return view.DoNewPrintToFile(test::makePage(width, height));
  }
  bool told(std::string_view part) const {
    for (const std::string& message : sink_.messages)
      if (message.find(part) != std::string::npos) return true;
    return false;
  }

  RecordingSink sink_;
};

bool isJpeg(const fs::path& file) {
  const auto bytes = test::fileBytes(file);
  return bytes.size() > 4 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[bytes.size() - 2] == 0xFF &&
         bytes[bytes.size() - 1] == 0xD9;
}

// Width and height from the first frame header (SOF0..SOF2), read from the marker layout.
std::pair<int, int> jpegSize(const fs::path& file) {
  const auto b = test::fileBytes(file);
  for (std::size_t i = 2; i + 9 < b.size();) {
    if (b[i] != 0xFF) return {0, 0};
    const int marker = b[i + 1];
    const std::size_t length = std::size_t(b[i + 2]) << 8 | b[i + 3];
    if (marker >= 0xC0 && marker <= 0xC2) return {b[i + 7] << 8 | b[i + 8], b[i + 5] << 8 | b[i + 6]};
    i += 2 + length;
  }
  return {0, 0};
}

TEST_F(PrintToFileOutputs, NamingModesCopyNamesAndOverwriteAsAFolderTree) {
  const struct {
    const char* name;
    std::int16_t mode;
    bool overwrite;
    std::int16_t quantity;
    int jobs;
    Tree expected;
  } cases[] = {
      {"mode 1: the set's prefix, then copy names", 1, false, 2, 1, {"Prefix copy.JPG", "Prefix.JPG"}},
      {"mode 2: the template", 2, false, 1, 1, {"Tmpl.JPG"}},
      {"mode 3: the photo, numbered copies",
       3,
       false,
       3,
       1,
       {"IMG_0042 copy 1.JPG", "IMG_0042 copy.JPG", "IMG_0042.JPG"}},
      {"mode 4: template and photo", 4, false, 1, 1, {"Tmpl_IMG_0042.JPG"}},
      {"mode 6: photo and job", 6, false, 1, 1, {"IMG_0042_Job.JPG"}},
      {"mode 7: photo and extra text", 7, false, 1, 1, {"IMG_0042_X.JPG"}},
      {"mode 8: photo and template", 8, false, 1, 1, {"IMG_0042_Tmpl.JPG"}},
      {"a mode that names nothing: the job name", 9, false, 1, 1, {"Job.JPG"}},
      {"a quantity of 0 still writes one file", 1, false, 0, 1, {"Prefix.JPG"}},
      {"overwrite with mode 3: one file over two jobs", 3, true, 2, 2, {"IMG_0042.JPG"}},
      {"overwrite with mode 6", 6, true, 2, 1, {"IMG_0042_Job.JPG"}},
      {"overwrite does not apply to mode 1", 1, true, 2, 1, {"Prefix copy.JPG", "Prefix.JPG"}},
      {"two jobs without overwrite", 2, false, 1, 2, {"Tmpl copy.JPG", "Tmpl.JPG"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = test::makeTempFolder("set");
    jpegSet(1, folder, c.mode).overwriteExisting = c.overwrite ? 1 : 0;
    for (int job = 0; job < c.jobs; ++job) ASSERT_EQ(runSetJob(1, c.quantity), kDrawOK);
    EXPECT_EQ(folderTree(folder), c.expected);
    for (const std::string& name : folderTree(folder)) EXPECT_TRUE(isJpeg(folder / name)) << name;
  }
}

TEST_F(PrintToFileOutputs, CustomerSubFoldersHoldTheFiles) {
  const fs::path folder = test::makeTempFolder("set");
  jpegSet(2, folder, 3);
  EditableJobView view;
  fillJob(view, 2, 1);
  test::setItemSwitch(view.edit().print2FileItem, 4);
  ASSERT_EQ(view.DoNewPrintToFile(test::makePage(60, 40)), kDrawOK);
  EXPECT_EQ(folderTree(folder), (Tree{"Customer Orders Folder/", "Customer Orders Folder/IMG/",
                                      "Customer Orders Folder/IMG/IMG_0042.JPG"}));
}

TEST_F(PrintToFileOutputs, AFileAlreadyThereIsKeptAndOverwriteReplacesItWhole) {
  const fs::path folder = test::makeTempFolder("set");
  test::writeText(folder / "IMG_0042.JPG", "the studio's earlier file");
  jpegSet(1, folder, 3);
  ASSERT_EQ(runSetJob(1, 1), kDrawOK);
  EXPECT_EQ(folderTree(folder), (Tree{"IMG_0042 copy.JPG", "IMG_0042.JPG"}));
  EXPECT_EQ(test::fileBytes(folder / "IMG_0042.JPG").size(), 25u);

  getMyPrintToFileSetPrefs(1)->overwriteExisting = 1;
  ASSERT_EQ(runSetJob(1, 1), kDrawOK);
  EXPECT_EQ(folderTree(folder), (Tree{"IMG_0042 copy.JPG", "IMG_0042.JPG"}));
  EXPECT_TRUE(isJpeg(folder / "IMG_0042.JPG"));
}

TEST_F(PrintToFileOutputs, OrientationTurnsTheSavedPage) {
  const fs::path folder = test::makeTempFolder("set");
  tSpecialPrintToFilePref& set = jpegSet(1, folder, 2);
  set.forceOrientation = 1;
  set.orientation = 2;  // portrait wanted
  set.rotationDirection = 1;
  ASSERT_EQ(runSetJob(1, 1, 90, 30), kDrawOK);
  EXPECT_EQ(jpegSize(folder / "Tmpl.JPG"), std::make_pair(30, 90));
  set.orientation = 1;  // landscape wanted for a landscape page: no turn
  ASSERT_EQ(runSetJob(1, 1, 90, 30), kDrawOK);
  EXPECT_EQ(jpegSize(folder / "Tmpl copy.JPG"), std::make_pair(90, 30));
}

TEST_F(PrintToFileOutputs, TheClientAddressChoosesTheSetOnlyWhenTheJobHasOne) {
  const fs::path own = test::makeTempFolder("own"), client = test::makeTempFolder("client");
  jpegSet(1, own, 2);
  jpegSet(3, client, 2).clientAddressList = Str255("10.0.0.5 ,  192.168.1.20 ");
  {
    EditableJobView view;
    fillJob(view, 1, 1);
    view.SetKeptJobDictionary(ArchivedValue::dictionary({{"ipaddress", ArchivedValue::string("192.168.1.20")}}));
    ASSERT_EQ(view.DoNewPrintToFile(test::makePage(20, 20)), kDrawOK);
  }
  EXPECT_EQ(folderTree(client), Tree{"Tmpl.JPG"});
  EXPECT_TRUE(folderTree(own).empty());
  {
    EditableJobView view;  // a dictionary without an address matches no client list
    fillJob(view, 1, 1);
    view.SetKeptJobDictionary(ArchivedValue::dictionary({{"imageurl", ArchivedValue::string("http://x")}}));
    ASSERT_EQ(view.DoNewPrintToFile(test::makePage(20, 20)), kDrawOK);
  }
  EXPECT_EQ(folderTree(own), Tree{"Tmpl.JPG"});
  EXPECT_EQ(folderTree(client), Tree{"Tmpl.JPG"});
}

TEST_F(PrintToFileOutputs, LinkedSetsGetThePageAsTheSetAndItsWebCopyLeftIt) {
  const struct {
    const char* what;
    std::int16_t saveType;
    std::int16_t webCopy;
    std::pair<int, int> ownSize, linkedSize;
  } cases[] = {
      {"a type-10 set fits the page into 640 x 640", 10, 0, {640, 400}, {640, 400}},
      {"the web copy fits the page of a full-size set", 3, 1, {1600, 1000}, {640, 400}},
      {"a full-size set without a web copy", 3, 0, {1600, 1000}, {1600, 1000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path first = test::makeTempFolder("first"), linked = test::makeTempFolder("linked"),
                   web = test::makeTempFolder("web");
    tSpecialPrintToFilePref& set = jpegSet(1, first, 2);
    set.fileFormat = c.saveType;
    set.createJPEGForWeb = c.webCopy;
    set.linkedSets = {SInt16Field(2), SInt16Field(3), SInt16Field(3)};  // 2 is set 1 itself: skipped
    jpegSet(2, linked, 2);
    test::pointWebUploadFolderAt(web);
    {
      EditableJobView view;
      fillJob(view, 1, 1);
      ASSERT_EQ(view.DoNewPrintToFile(test::makePage(1600, 1000)), kDrawOK);
    }
    EXPECT_EQ(folderTree(first), Tree{"Tmpl.JPG"});
    EXPECT_EQ(jpegSize(first / "Tmpl.JPG"), c.ownSize);
    EXPECT_EQ(folderTree(linked), (Tree{"Tmpl copy.JPG", "Tmpl.JPG"}));
    EXPECT_EQ(jpegSize(linked / "Tmpl.JPG"), c.linkedSize);
    EXPECT_EQ(jpegSize(linked / "Tmpl copy.JPG"), c.linkedSize);
    if (c.webCopy != 0) {
      EXPECT_EQ(folderTree(web), Tree{"Tmpl.JPG"});
      EXPECT_EQ(jpegSize(web / "Tmpl.JPG"), std::make_pair(640, 400));
    } else {
      EXPECT_TRUE(folderTree(web).empty());
    }
  }
}

// 1005 x 1010 fits 640 x 640 by its width on whole percentages (157 each), which makes it 643 rows high: the web
// size cuts the overhanging rows, so no web-sized file is larger than 640 x 640.
TEST_F(PrintToFileOutputs, TheWebSizeNeverComesOutLargerThan640) {
  const fs::path folder = test::makeTempFolder("set"), web = test::makeTempFolder("web");
  tSpecialPrintToFilePref& set = jpegSet(1, folder, 2);
  set.fileFormat = 10;
  set.createJPEGForWeb = 1;
  test::pointWebUploadFolderAt(web);
  ASSERT_EQ(runSetJob(1, 1, 1005, 1010), kDrawOK);
  EXPECT_EQ(jpegSize(folder / "Tmpl.JPG"), std::make_pair(640, 640));
  EXPECT_EQ(jpegSize(web / "Tmpl.JPG"), std::make_pair(640, 640));
}

TEST_F(PrintToFileOutputs, TheWebCopyTakesTheLongBaseName) {
  const struct {
    const char* prefix;
    const char* webName;
  } cases[] = {
      {"ABCDEFGHIJKLMNOPQRSTU", "ABCDEFGHIJKLMNOPQRSTU.jpg"},    // 21 + ".JPG" = 25: the set file's name
      {"ABCDEFGHIJKLMNOPQRSTUV", "ABCDEFGHIJKLMNOPQRSTUV.JPG"},  // 26: the base name with ".JPG"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.prefix);
    const fs::path folder = test::makeTempFolder("set"), web = test::makeTempFolder("web");
    tSpecialPrintToFilePref& set = jpegSet(1, folder, 1);
    set.fileNamePrefix = Str63(c.prefix);
    set.fileNameExtension = Str31(".jpg");
    set.createJPEGForWeb = 1;
    test::pointWebUploadFolderAt(web);
    ASSERT_EQ(runSetJob(1, 1), kDrawOK);
    EXPECT_EQ(folderTree(web), Tree{c.webName});
  }
}

TEST_F(PrintToFileOutputs, TiffAndPngOutputsKeepTheirFormat) {
  const fs::path folder = test::makeTempFolder("set");
  tSpecialPrintToFilePref& set = jpegSet(1, folder, 2);
  set.fileFormat = 2;
  set.fileNameExtension = Str31(".TIF");
  ASSERT_EQ(runSetJob(1, 1), kDrawOK);
  const auto tiff = test::fileBytes(folder / "Tmpl.TIF");
  ASSERT_GE(tiff.size(), 4u);
  EXPECT_TRUE((tiff[0] == 'I' && tiff[1] == 'I' && tiff[2] == 42) || (tiff[0] == 'M' && tiff[1] == 'M'));

  set.fileFormat = 9;
  set.fileNameExtension = Str31(".PNG");
  set.doNotResizePngForWeb = 1;
  ASSERT_EQ(runSetJob(1, 1), kDrawOK);
  const auto png = test::fileBytes(folder / "Tmpl.PNG");
  ASSERT_GE(png.size(), 2048u + 8);
  EXPECT_EQ(png[1], 'P');
  const std::string tail(png.end() - 2048, png.end());
  EXPECT_NE(tail.find("<plist"), std::string::npos) << "the PNG carries its appended list";
}

TEST_F(PrintToFileOutputs, TheVideoClipIsCopiedOncePerFolderAndJob) {
  const fs::path folder = test::makeTempFolder("set"), clips = test::makeTempFolder("clips");
  // Only its head is a movie's: the copy looks at nothing more.
  test::writeText(clips / "clip.mov", std::string("\0\0\0\x14" "ftypqt  ", 12) + "the rest of a movie");
  jpegSet(1, folder, 3).doNotResizeJpegForWeb = 1;
  EditableJobView view;
  fillJob(view, 1, 3);
  view.edit().fEnableVideoCopy = 1;
  const std::string video = (clips / "clip.mov").string();
  std::copy(video.begin(), video.end(), view.edit().videoPath.begin());
  ASSERT_EQ(view.DoNewPrintToFile(test::makePage(20, 20)), kDrawOK);
  EXPECT_EQ(folderTree(folder), (Tree{"IMG_0042 copy 1.JPG", "IMG_0042 copy.JPG", "IMG_0042.JPG", "clip.mov"}));
}

// Every name that does not start with "." appears in the folder only by a rename of a complete file.
class FolderWatch {
 public:
  explicit FolderWatch(const fs::path& folder) {
    fd_ = inotify_init1(IN_NONBLOCK);
    inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_TO | IN_MODIFY | IN_CLOSE_WRITE | IN_OPEN);
  }
  ~FolderWatch() { close(fd_); }
  // The events of visible names: name and whether it was a rename into the folder.
  std::vector<std::pair<std::string, std::uint32_t>> visibleEvents() {
    std::vector<std::pair<std::string, std::uint32_t>> events;
    alignas(inotify_event) char buffer[65536];
    ssize_t length;
    while ((length = read(fd_, buffer, sizeof buffer)) > 0) {
      for (char* at = buffer; at < buffer + length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        const std::string name = event->len > 0 ? event->name : "";
        if (!name.empty() && name.front() != '.') events.emplace_back(name, event->mask);
        at += sizeof(inotify_event) + event->len;
      }
    }
    return events;
  }

 private:
  int fd_ = -1;
};

TEST_F(PrintToFileOutputs, FinalNamesAppearOnlyByRenames) {
  const fs::path set = test::makeTempFolder("set"), single = test::makeTempFolder("single"),
                 desktop = test::makeTempFolder("desktop");
  setenv("XDG_DESKTOP_DIR", desktop.c_str(), 1);
  fs::create_directories(desktop / "Yearbook Photos" / "Class");
  jpegSet(1, set, 3).overwriteExisting = 1;
  test::pointPrintToFileFolderAt(single);

  const struct {
    const char* name;
    fs::path folder;
    std::int16_t (*run)(EditableJobView&);
  } outputs[] = {
      {"set, overwriting", set, [](EditableJobView& v) { return v.DoNewPrintToFile(test::makePage(50, 50)); }},
      {"single folder", single, [](EditableJobView& v) { return v.Print2File(test::makePage(50, 50)); }},
      {"yearbook", desktop / "Yearbook Photos" / "Class",
       [](EditableJobView& v) { return v.Print2File(test::makePage(50, 50)); }},
  };
  for (const auto& output : outputs) {
    SCOPED_TRACE(output.name);
    FolderWatch watch(output.folder);
    for (int job = 0; job < 2; ++job) {
      EditableJobView view;
      fillJob(view, 1, 2);
      tSpecialPrintToFilePref& record = view.edit().printToFileRecord;
      record.fileFormat = 3;
      record.fileNamePrefix = Str63("Pre");
      record.fileNameExtension = Str31(".jpg");
      record.namingScheme = std::string(output.name) == "yearbook" ? 2 : 1;
      record.yearbookFolderName = Str31("Class");
      ASSERT_EQ(output.run(view), kDrawOK);
    }
    const auto events = watch.visibleEvents();
    EXPECT_FALSE(events.empty());
    for (const auto& [name, mask] : events) {
      if (name == "Yearbook.read me") continue;  // the log is replaced whole by a rename as well, checked below
      EXPECT_TRUE((mask & IN_MOVED_TO) != 0 && (mask & (IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE)) == 0)
          << name << " mask " << std::hex << mask;
    }
    for (const auto& [name, mask] : events)
      if (name == "Yearbook.read me") EXPECT_TRUE((mask & (IN_MODIFY | IN_CREATE)) == 0) << std::hex << mask;
  }
  unsetenv("XDG_DESKTOP_DIR");
}

TEST_F(PrintToFileOutputs, SingleFolderNumbersAndFixedNames) {
  const fs::path folder = test::makeTempFolder("single");
  test::pointPrintToFileFolderAt(folder);
  const auto run = [](bool fixedName, const char* prefix) {
    EditableJobView view;
    fillJob(view, 1, 2);
    view.edit().fixedName = fixedName ? 1 : 0;
    tSpecialPrintToFilePref& record = view.edit().printToFileRecord;
    record.fileFormat = 3;
    record.namingScheme = 1;
    record.fileNamePrefix = Str63(prefix);
    record.fileNameExtension = Str31(".jpg");
    return view.Print2File(test::makePage(30, 20));
  };
  ASSERT_EQ(run(false, "Pre"), kDrawOK);
  ASSERT_EQ(run(false, "Pre"), kDrawOK);
  EXPECT_EQ(folderTree(folder), (Tree{"Pre_0001.jpg", "Pre_0002.jpg", "Pre_0003.jpg", "Pre_0004.jpg"}));

  const fs::path fixed = test::makeTempFolder("fixed");
  test::pointPrintToFileFolderAt(fixed);
  ASSERT_EQ(run(true, "A prefix of twenty-six chars"), kDrawOK);
  EXPECT_EQ(folderTree(fixed), (Tree{"A prefix of twenty-six copy.jpg", "A prefix of twenty-six.jpg"}));
}

std::string yearbookRecord(const tRecordStruct& record) {
  std::string line;
  for (int i = 1; i <= 20; ++i) line += std::string(record.texts[i].macRoman()) + "\t";
  return line + "\r";
}

TEST_F(PrintToFileOutputs, YearbookLogOverTwoJobsByteForByte) {
  const fs::path desktop = test::makeTempFolder("desktop");
  setenv("XDG_DESKTOP_DIR", desktop.c_str(), 1);
  tRecordStruct names{}, values{};
  for (int i = 0; i <= 21; ++i) {
    names.texts[i] = Str255("Field" + std::to_string(i));
    values.texts[i] = Str255("Value" + std::to_string(i));
  }
  values.texts[2] = Str255("Ren\x8E");  // Mac Roman "René": the bytes go into the log as they are
  const auto run = [&](std::int16_t databaseSwitch) {
    EditableJobView view;
    fillJob(view, 1, 1);
    view.edit().fieldNames = names;
    view.edit().fieldValues = values;
    tSpecialPrintToFilePref& record = view.edit().printToFileRecord;
    record.fileFormat = 3;
    record.namingScheme = 2;
    record.yearbookFolderName = Str31("Class 2026");
    record.fileNamePrefix = Str63("Photo");
    record.fileNameExtension = Str31(".jpg");
    record.databaseNameSwitch = databaseSwitch;
    record.databaseFieldSelectors = {SInt16Field(3), SInt16Field(1), SInt16Field(4), SInt16Field(99)};
    record.fieldTexts[0].text = PascalString<8>("_");
    return view.Print2File(test::makePage(30, 20));
  };
  ASSERT_EQ(run(0), kDrawOK);
  ASSERT_EQ(run(1), kDrawOK);
  const fs::path folder = desktop / "Yearbook Photos" / "Class 2026";
  // Selector 3 is value 1, selector 4 value 2; 1 and 99 add nothing.
  EXPECT_EQ(folderTree(folder),
            (Tree{"._Yearbook.read me", "Photo_0001.jpg", "Value1_Ren\xC3\xA9.jpg", "Yearbook.read me"}));
  const std::string expected = "File Name\t" + yearbookRecord(names) + "Photo_0001.jpg\t" + yearbookRecord(values) +
                               "Value1_Ren\x8E.jpg\t" + yearbookRecord(values);
  const auto log = test::fileBytes(folder / "Yearbook.read me");
  EXPECT_EQ(std::string(log.begin(), log.end()), expected);
  FInfo info;
  ASSERT_EQ(getFinderInfo(folder / "Yearbook.read me", info), noErr);
  EXPECT_EQ(info.fdType, 0x54455854u);     // 'TEXT'
  EXPECT_EQ(info.fdCreator, 0x515A4B62u);  // 'QZKb'
  unsetenv("XDG_DESKTOP_DIR");
}

TEST_F(PrintToFileOutputs, YearbookModeThreeEmptiesOnlyItsOwnSubFolder) {
  const fs::path desktop = test::makeTempFolder("desktop");
  setenv("XDG_DESKTOP_DIR", desktop.c_str(), 1);
  const fs::path photos = desktop / "Yearbook Photos";
  fs::create_directories(photos / "Class");
  test::writeText(photos / "keep.jpg", "another class");
  test::writeText(photos / "Class" / "old.jpg", "last year's");
  const auto run = [](const char* subFolder) {
    EditableJobView view;
    fillJob(view, 1, 1);
    tSpecialPrintToFilePref& record = view.edit().printToFileRecord;
    record.fileFormat = 3;
    record.namingScheme = 3;
    record.yearbookFolderName = Str31(subFolder);
    record.fileNamePrefix = Str63("P");
    record.fileNameExtension = Str31(".jpg");
    return view.Print2File(test::makePage(30, 20));
  };
  for (const char* bad : {"", "..", ".", "../Yearbook Photos"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(run(bad), kOutputFailed);
    EXPECT_EQ(folderTree(desktop), (Tree{"Yearbook Photos/", "Yearbook Photos/Class/", "Yearbook Photos/Class/old.jpg",
                                         "Yearbook Photos/keep.jpg"}));
  }
  EXPECT_TRUE(told("yearbook"));
  {
    EditableJobView view;  // no page: nothing is deleted either
    fillJob(view, 1, 1);
    view.edit().printToFileRecord.namingScheme = 3;
    view.edit().printToFileRecord.yearbookFolderName = Str31("Class");
    EXPECT_EQ(view.DoSpecialPrintToFile(nullptr), kOutputFailed);
    EXPECT_TRUE(fs::exists(photos / "Class" / "old.jpg"));
  }
  ASSERT_EQ(run("Class"), kDrawOK);
  EXPECT_EQ(folderTree(photos / "Class"), (Tree{"._Yearbook.read me", "P_0001.jpg", "Yearbook.read me"}));
  EXPECT_TRUE(fs::exists(photos / "keep.jpg"));
  unsetenv("XDG_DESKTOP_DIR");
}

TEST_F(PrintToFileOutputs, BadSetNumbersFolderTextsAndMissingFoldersAreErrors) {
  const fs::path folder = test::makeTempFolder("set");
  jpegSet(1, folder, 3);
  for (std::int16_t number : {0, 9, -1}) {
    SCOPED_TRACE(number);
    sink_.messages.clear();
    EXPECT_EQ(runSetJob(number, 1), kJobPrintToFileSetMissing);
    EXPECT_TRUE(told("sets 1 to 8"));
  }
  for (const char* text : {"..", "../outside", "a/b"}) {
    SCOPED_TRACE(text);
    EditableJobView view;
    fillJob(view, 1, 1);
    test::setItemSwitch(view.edit().print2FileItem, 4);
    test::setItemSwitch(view.edit().print2FileItem, 6);
    view.edit().printToFileRecord.folderTextA = Str63(text);
    EXPECT_EQ(view.DoNewPrintToFile(test::makePage(20, 20)), kOutputFailed);
  }
  EXPECT_TRUE(folderTree(folder).empty());
  {
    EditableJobView view;  // an empty folder text names no folder: the file goes into the set folder itself
    fillJob(view, 1, 1);
    test::setItemSwitch(view.edit().print2FileItem, 4);
    test::setItemSwitch(view.edit().print2FileItem, 6);
    view.edit().printToFileRecord.folderTextA = Str63("");
    sink_.messages.clear();
    EXPECT_EQ(view.DoNewPrintToFile(test::makePage(20, 20)), kDrawOK);
    EXPECT_TRUE(told("createNewFolder => theName is nil"));
    EXPECT_EQ(folderTree(folder), Tree{"IMG_0042.JPG"});
    fs::remove(folder / "IMG_0042.JPG");
  }
  {
    EditableJobView view;  // a photo name that would make a hidden file
    fillJob(view, 1, 1);
    view.SetCurrentImageName(CStr255_AC(".hidden.jpg"));
    sink_.messages.clear();
    EXPECT_EQ(view.DoNewPrintToFile(test::makePage(20, 20)), kOutputFailed);
    EXPECT_TRUE(told("cannot be used"));
  }
  EXPECT_TRUE(folderTree(folder).empty()) << "no staging file is left either";

  fs::remove(folder);
  EXPECT_EQ(runSetJob(1, 1), kPrintToFileFolderMissing);
}

TEST_F(PrintToFileOutputs, NoPageHasItsOwnMessage) {
  const fs::path folder = test::makeTempFolder("set");
  jpegSet(1, folder, 3);
  test::pointPrintToFileFolderAt(folder);
  EditableJobView view;
  fillJob(view, 1, 1);
  EXPECT_EQ(view.DoNewPrintToFile(nullptr), kOutputFailed);
  EXPECT_EQ(view.Print2File(nullptr), kOutputFailed);
  EXPECT_EQ(view.CreateAnotherCopy(1, nullptr), kOutputFailed);
  EXPECT_TRUE(told("no page"));
  EXPECT_TRUE(folderTree(folder).empty());
}

TEST_F(PrintToFileOutputs, AFullDiskLeavesNoPartialFileAndKeepsTheOldOne) {
  const fs::path folder = test::makeTempFolder("set"), single = test::makeTempFolder("single");
  test::writeText(folder / "IMG_0042.JPG", "the file that must survive");
  jpegSet(1, folder, 3).overwriteExisting = 1;
  test::pointPrintToFileFolderAt(single);
  {
    test::FileSizeLimit full(4096);
    EXPECT_EQ(runSetJob(1, 2, 800, 600), kOutputFailed);
    EditableJobView view;
    fillJob(view, 1, 1);
    view.edit().printToFileRecord.fileFormat = 3;
    view.edit().printToFileRecord.fileNamePrefix = Str63("Pre");
    EXPECT_EQ(view.Print2File(test::makePage(800, 600)), kOutputFailed);
  }
  EXPECT_TRUE(told("An error occured while trying to save the file!"));
  EXPECT_EQ(folderTree(folder), Tree{"IMG_0042.JPG"}) << "no staging file, no partial file";
  EXPECT_EQ(test::fileBytes(folder / "IMG_0042.JPG").size(), 26u);
  EXPECT_TRUE(folderTree(single).empty());
}

TEST_F(PrintToFileOutputs, AnUnwritableSetFolderIsAnOutputError) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
  const fs::path folder = test::makeTempFolder("set");
  test::writeText(folder / "Tmpl.JPG", "kept");
  jpegSet(1, folder, 2);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(runSetJob(1, 1), kOutputFailed);
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_EQ(folderTree(folder), Tree{"Tmpl.JPG"});
}

}  // namespace
}  // namespace vorl

namespace vorl {
namespace {

// The EXIF user comment as exiv2 reads it, as JSON through plistlib.
std::string commentAsJson(const fs::path& jpeg) {
  std::string text = test::toolOutput({"exiv2", "-K", "Exif.Photo.UserComment", "-Pv", jpeg.string()});
  text.erase(0, text.find(' ') + 1);  // "charset=..."
  return test::plistAsJson(text);
}

TEST_F(PrintToFileOutputs, SetFilesAndTheWebCopyCarryTheirUploadMetadata) {
  if (!test::toolAvailable("exiv2") || !test::toolAvailable("python3")) GTEST_SKIP() << "exiv2 or python3 missing";
  const fs::path folder = test::makeTempFolder("set folder"), web = test::makeTempFolder("web");
  tSpecialPrintToFilePref& set = jpegSet(1, folder, 2);
  set.createJPEGForWeb = 1;
  test::pointWebUploadFolderAt(web);
  EditableJobView view;
  fillJob(view, 1, 1);
  const test::Bytes archive =
      test::encodeKeyedArchive(ArchivedValue::dictionary({{"order", ArchivedValue::string("A-17")}}));
  std::copy(archive.begin(), archive.end(), view.edit().uploadData.begin());
  const auto length = static_cast<std::uint32_t>(archive.size());
  for (int i = 0; i < 4; ++i) view.edit().uploadData[4092 + i] = static_cast<std::uint8_t>(length >> (8 * i));
  const std::string original = "/photos/IMG_0042.jpg";
  std::copy(original.begin(), original.end(), view.edit().originalPath.begin());
  ASSERT_EQ(view.DoNewPrintToFile(test::makePage(40, 30)), kDrawOK);

  EXPECT_EQ(commentAsJson(folder / "Tmpl.JPG"),
            R"({"uploadInfo": {"OriginalPath": "/photos/IMG_0042.jpg", "Version": "1.0.2", "f": "pt5", )"
            R"("order": "A-17"}})");
  // The web copy names the set file by its escaped path.
  const std::string escaped = (folder / "Tmpl.JPG").string();
  EXPECT_EQ(commentAsJson(web / "Tmpl.JPG"), R"({"OriginalPath": ")" + escaped.substr(0, escaped.find(' ')) + "%20" +
                                                 escaped.substr(escaped.find(' ') + 1) +
                                                 R"(", "Version": "1.01alpha"})");
}

// A TIFF set file carries the job-dictionary comment a JPEG set file carries, in its own EXIF block; it stays a
// TIFF whose pixels are those of the same page written without it.
TEST_F(PrintToFileOutputs, TiffSetFilesCarryTheUploadMetadataAndStayTiff) {
  for (const char* tool : {"exiv2", "python3", "tiffinfo", "tiffcmp"})
    if (!test::toolAvailable(tool)) GTEST_SKIP() << tool << " missing";
  const fs::path folder = test::makeTempFolder("tiff set"), reference = test::makeTempFolder("reference");
  tSpecialPrintToFilePref& set = jpegSet(1, folder, 2);
  set.fileFormat = 2;
  set.fileNameExtension = Str31(".TIF");
  EditableJobView view;
  fillJob(view, 1, 1);
  const test::Bytes archive =
      test::encodeKeyedArchive(ArchivedValue::dictionary({{"order", ArchivedValue::string("B-9")}}));
  std::copy(archive.begin(), archive.end(), view.edit().uploadData.begin());
  const auto length = static_cast<std::uint32_t>(archive.size());
  for (int i = 0; i < 4; ++i) view.edit().uploadData[4092 + i] = static_cast<std::uint8_t>(length >> (8 * i));
  const std::string original = "/photos/IMG_0042.tif";
  std::copy(original.begin(), original.end(), view.edit().originalPath.begin());
  OffscreenPtr page = test::makeGradientPicture(37, 23);
  ASSERT_EQ(encodeImageFile(*page, reference / "plain.tif", ImageFileType::tiffLzw, EncodeOptions{.dpi = 300}), noErr);
  ASSERT_EQ(view.DoNewPrintToFile(std::move(page)), kDrawOK);

  const fs::path written = folder / "Tmpl.TIF";
  EXPECT_EQ(commentAsJson(written),
            R"({"uploadInfo": {"OriginalPath": "/photos/IMG_0042.tif", "Version": "1.0.2", "f": "pt5", )"
            R"("order": "B-9"}})");
  const auto bytes = test::fileBytes(written);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_TRUE((bytes[0] == 'I' && bytes[1] == 'I') || (bytes[0] == 'M' && bytes[1] == 'M')) << "still a TIFF";
  EXPECT_NE(test::toolOutput({"tiffinfo", written.string()}).find("LZW"), std::string::npos);
  EXPECT_EQ(test::toolOutput({"tiffcmp", (reference / "plain.tif").string(), written.string()}), "")
      << "the picture is untouched";
}

TEST(DesktopFolder, FromTheVariableTheUserDirsFileOrHome) {
  const fs::path config = test::makeTempFolder("config");
  const std::string savedConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  const struct {
    const char* variable;  // null: unset
    const char* userDirs;  // null: no file
    fs::path expected;
  } cases[] = {
      {"/srv/desk", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n", "/srv/desk"},
      {"relative/desk", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n", homeFolder() / "Bureau"},
      {nullptr, "# comment\nXDG_DESKTOP_DIR=\"/data/desk\"\n", "/data/desk"},
      {nullptr, nullptr, homeFolder() / "Desktop"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    if (c.variable)
      setenv("XDG_DESKTOP_DIR", c.variable, 1);
    else
      unsetenv("XDG_DESKTOP_DIR");
    fs::remove(config / "user-dirs.dirs");
    if (c.userDirs) test::writeText(config / "user-dirs.dirs", c.userDirs);
    EXPECT_EQ(xdgDesktopFolder(), c.expected);
  }
  unsetenv("XDG_DESKTOP_DIR");
  setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
}

}  // namespace
}  // namespace vorl

namespace vorl {
namespace {

TEST_F(PrintToFileOutputs, TheMainWindowSeesTheTurnedPageAndTheStatus) {
  const fs::path folder = test::makeTempFolder("set");
  tSpecialPrintToFilePref& set = jpegSet(1, folder, 2);
  set.forceOrientation = 1;
  set.orientation = 1;  // a square page is portrait, so it turns
  test::RecordingObserver observer;
  EditableJobView view(&observer);
  fillJob(view, 1, 1);
  ASSERT_EQ(view.DoNewPrintToFile(test::makePage(30, 30)), kDrawOK);
  ASSERT_EQ(observer.previews.size(), 2u);
  EXPECT_EQ(observer.previews[0].page, nullptr);
  ASSERT_NE(observer.previews[1].page, nullptr);
  EXPECT_EQ(observer.statuses, std::vector<std::string>{"Saving File(s)\u2026"});
}

TEST_F(PrintToFileOutputs, ALinkedSetThatFailsIsToldButDoesNotFailTheDeliveredJob) {
  const fs::path first = test::makeTempFolder("first"), third = test::makeTempFolder("third"),
                 gone = test::makeTempFolder("gone");
  tSpecialPrintToFilePref& set = jpegSet(1, first, 2);
  set.linkedSets = {SInt16Field(3), SInt16Field(4), SInt16Field(0)};  // sets 2 (missing) and 3
  jpegSet(2, gone, 2);
  fs::remove(gone);
  jpegSet(3, third, 2);
  EXPECT_EQ(runSetJob(1, 1), kDrawOK) << "the job's own set is delivered; a retry would deliver it again";
  EXPECT_EQ(folderTree(first), Tree{"Tmpl.JPG"});
  EXPECT_EQ(folderTree(third), Tree{"Tmpl.JPG"});
  EXPECT_TRUE(told("linked print-to-file set 2"));
  EXPECT_FALSE(told("linked print-to-file set 3"));
}

}  // namespace
}  // namespace vorl
